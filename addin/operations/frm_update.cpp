#include "addin/operations/frm_update.hpp"

#include <string>

#include "addin/main_module.hpp"
#include "vbrt/on_error.hpp"

namespace norb::forms {

frmUpdate::frmUpdate(MainModule& m) : OptionsDialog(m, "frmUpdate", "Check-In [Update]", 6900, 4860) {
  chkBran.Click = [this] { chkBran_Click(); };
  chkMino.Click = [this] { chkMino_Click(); };
  chkSpec.Click = [this] { chkSpec_Click(); };
}

void frmUpdate::Interlock(vb::CheckBox& first, vb::CheckBox& second) {
  if (m_.gInOptionClick != 0) return;
  m_.gInOptionClick = 1;
  first.SetValue(vb::vbUnchecked);
  second.SetValue(vb::vbUnchecked);
  m_.gInOptionClick = 0;
}

void frmUpdate::chkBran_Click() { Interlock(chkMino, chkSpec); }
void frmUpdate::chkMino_Click() { Interlock(chkSpec, chkBran); }
void frmUpdate::chkSpec_Click() { Interlock(chkMino, chkBran); }

void frmUpdate::cmdOK_Click() {
  vb::TrapAndExit(
      [&] {
        Hide();
        while (Visible()) m_.runtime().DoEvents();
        std::string options = "U";
        if (chkDisc.Value() != vb::vbUnchecked) options += "D";
        if (chkFast.Value() != vb::vbUnchecked) options += "F";
        if (chkKeep.Value() != vb::vbUnchecked) options += "K";
        if (chkMino.Value() != vb::vbUnchecked) options += "M";
        if (chkSpec.Value() != vb::vbUnchecked) options += "S";
        if (chkBran.Value() != vb::vbUnchecked) options += "B";
        options += "W";
        m_.gUpdateOptions = options;
        m_.gDialogCancelled = 0;
      },
      [&](const vb::Error& e) {
        m_.sys().desktop.MsgBox(e.description(), platform::vbOKOnly, std::nullopt);
      });
}

}  // namespace norb::forms
