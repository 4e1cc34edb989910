#include "addin/operations/frm_extract.hpp"

#include <string>

#include "addin/main_module.hpp"
#include "vbrt/on_error.hpp"

namespace norb::forms {

frmExtract::frmExtract(MainModule& m) : OptionsDialog(m, "frmExtract", "Check-Out [Extract]", 6870, 4860) {}

void frmExtract::cmdOK_Click() {
  vb::TrapAndExit(
      [&] {
        Hide();
        std::string options = "E";
        if (CheckBrowseMode.Value() != vb::vbUnchecked) options += "B";
        if (CheckFastFreshn.Value() != vb::vbUnchecked) options += "F";
        if (CheckReserveLok.Value() != vb::vbUnchecked) options += "R";
        if (CheckSpecifyVer.Value() != vb::vbUnchecked) options += "S";
        options += "W";
        m_.gExtractOptions = options;
        m_.gDialogCancelled = 0;
      },
      [&](const vb::Error& e) {
        m_.sys().desktop.MsgBox(e.description(), platform::vbOKOnly, std::nullopt);
      });
}

}  // namespace norb::forms
