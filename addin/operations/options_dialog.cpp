#include "addin/operations/options_dialog.hpp"

#include "addin/main_module.hpp"
#include "addin/operations/dialog_images.hpp"
#include "vbrt/on_error.hpp"

namespace norb::forms {

namespace {
// The window's frame around the client area, in twips.
constexpr long kBorderWidth = 120;
constexpr long kBorderHeight = 405;
}  // namespace

OptionsDialog::OptionsDialog(MainModule& m, std::string name, std::string caption, long client_width,
                             long client_height)
    : vb::Form(m.runtime(), std::move(name)),
      Toolbar1(*this, "Toolbar1",
               {{1, "selNot", "Select files that are not checked out", 1},
                {2, "selYou", "Select files that are checked out to you", 2},
                {3, "selElse", "Select files that are checked out to someone else", 3},
                {4, "modeList", "List", 4},
                {5, "modeDetails", "Details", 5}},
               "ImageList1"),
      Image2(*this, "Image2", DialogEmblem()),
      ImageList1(*this, "ImageList1", DialogImageList()),
      m_(m) {
  SetCaption(std::move(caption));
  Width = client_width + kBorderWidth;
  Height = client_height + kBorderHeight;
  // Design-time list state: the first click on a column then sorts it ascending.
  ListView1.SortKey = 0;
  ListView1.SortOrder = vb::lvwDescending;
  ListView1.Sorted = false;
  ListView1.View = vb::lvwReport;
  ListView1.Icons = "ImageList1";
  Frame1_1.SetVisible(false);

  TabStrip1.BeforeClick = [this](int& Cancel) { TabStrip1_BeforeClick(Cancel); };
  ListView1.ColumnClick = [this](const vb::ColumnHeader& h) { ListView1_ColumnClick(h); };
  Toolbar1.ButtonClick = [this](const vb::ToolbarButton& b) { Toolbar1_ButtonClick(b); };
  cmdOK.Click = [this] { cmdOK_Click(); };
  cmdCancel.Click = [this] { cmdCancel_Click(); };
  cmdHelp.Click = [this] { cmdHelp_Click(); };
}

void OptionsDialog::Form_Load() {
  Left = runtime().ui().ScreenWidth() / 2 - Width / 2;
  Top = runtime().ui().ScreenHeight() / 2 - Height / 2;
}

void OptionsDialog::Form_Activate() { m_.sys().desktop.SetForegroundWindow(Name()); }

void OptionsDialog::Form_Unload(int& /*Cancel*/) { m_.gDialogCancelled = 1; }

void OptionsDialog::cmdCancel_Click() {
  vb::TrapAndExit(
      [&] {
        m_.gDialogCancelled = 1;
        Hide();
      },
      [&](const vb::Error& e) {
        m_.sys().desktop.MsgBox(e.description(), platform::vbOKOnly, std::nullopt);
      });
}

// The F1 key to the dialog opens the application's help file.
void OptionsDialog::cmdHelp_Click() { m_.sys().desktop.ShowHelp(Name(), m_.App().HelpFile); }

// Driven by the tab being left, not the tab clicked; with two tabs the effect is the same.
void OptionsDialog::TabStrip1_BeforeClick(int& /*Cancel*/) {
  int index = TabStrip1.SelectedIndex();
  if (index == 1) {
    Frame1(0).SetVisible(false);
    Frame1(1).SetVisible(true);
  } else if (index == 2) {
    Frame1(1).SetVisible(false);
    Frame1(0).SetVisible(true);
  }
}

void OptionsDialog::ListView1_ColumnClick(const vb::ColumnHeader& header) {
  int k = header.Index - 1;
  int order;
  if (ListView1.SortKey != k) {
    ListView1.SortKey = k;
    order = vb::lvwAscending;
  } else {
    order = ListView1.SortOrder == vb::lvwAscending ? vb::lvwDescending : vb::lvwAscending;
  }
  ListView1.SortOrder = order;
  if (!ListView1.Sorted) ListView1.Sorted = true;
}

void OptionsDialog::Toolbar1_ButtonClick(const vb::ToolbarButton& button) {
  if (button.Key == "selNot") {
    m_.SelectByIcon(1, *this);
  } else if (button.Key == "selYou") {
    m_.SelectByIcon(2, *this);
  } else if (button.Key == "selElse") {
    m_.SelectByIcon(3, *this);
  } else if (button.Key == "modeList") {
    ListView1.View = vb::lvwList;
  } else if (button.Key == "modeDetails") {
    ListView1.View = vb::lvwReport;
  }
}

}  // namespace norb::forms
