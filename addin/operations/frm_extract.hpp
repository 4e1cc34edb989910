// frmExtract: the check-out dialog. Its options are letters the engine understands; the
// dialog only passes them on.
#pragma once

#include "addin/operations/options_dialog.hpp"

namespace norb::forms {

class frmExtract : public OptionsDialog {
 public:
  explicit frmExtract(MainModule& m);
  void cmdOK_Click() override;

  vb::CheckBox CheckBrowseMode{*this, "CheckBrowseMode", "\"B\" - Browse Mode",
                               "extract for inspection or compile only, without intent to modify"};
  vb::CheckBox CheckFastFreshn{*this, "CheckFastFreshn", "\"F\" - Fast/Freshen",
                               "extract only if existing work file is out-of-date"};
  vb::CheckBox CheckReserveLok{*this, "CheckReserveLok", "\"R\" - Reserve Lock [don't extract]",
                               "only lock the files, and not extract them"};
  vb::CheckBox CheckSpecifyVer{*this, "CheckSpecifyVer", "\"S\" - Specify Version",
                               "Prompts for specific version numbers"};
};

}  // namespace norb::forms
