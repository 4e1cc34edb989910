#include "addin/history/frm_versions.hpp"

#include "addin/operations/dialog_images.hpp"

namespace norb::forms {

namespace {
constexpr long kClientWidth = 8670;
constexpr long kClientHeight = 3300;
constexpr long kBorderWidth = 120;
constexpr long kBorderHeight = 405;
}  // namespace

frmVersions::frmVersions(vb::Runtime& rt)
    : vb::Form(rt, "frmVersions"), Image1(*this, "Image1", DialogEmblem()) {
  Width = kClientWidth + kBorderWidth;
  Height = kClientHeight + kBorderHeight;
  cmdOK.Click = [this] { cmdOK_Click(); };
}

void frmVersions::Form_Load() {
  Left = runtime().ui().ScreenWidth() / 2 - Width / 2;
  Top = runtime().ui().ScreenHeight() / 2 - Height / 2;
}

// The newest version is the last line: it opens selected.
void frmVersions::Form_Activate() {
  if (lstVersions.ListCount() > 0) {
    lstVersions.SetListIndex(lstVersions.ListCount() - 1);
    lstVersions.SetFocus();
  }
}

void frmVersions::cmdOK_Click() {
  Hide();
  Unload();
}

}  // namespace norb::forms
