// frmUpdate: the check-in dialog, and through "D" the undoing of a check-out. "M", "S" and "B"
// exclude one another.
#pragma once

#include "addin/operations/options_dialog.hpp"

namespace norb::forms {

class frmUpdate : public OptionsDialog {
 public:
  explicit frmUpdate(MainModule& m);
  void cmdOK_Click() override;
  void chkBran_Click();
  void chkMino_Click();
  void chkSpec_Click();

  vb::CheckBox chkDisc{
      *this, "chkDisc", "\"D\" - Discard Lock: [don't store]",
      "check to discard all changes and unlock the file, instead of updating the NORB library"};
  vb::CheckBox chkFast{*this, "chkFast", "\"F\" - Fast/Freshen",
                       "check to quietly skip files that are older than the corresponding NORB libraries"};
  vb::CheckBox chkKeep{
      *this, "chkKeep", "\"K\" - Keep Checked Out",
      "check to keep file checked-out/locked after update is done (because you intend to make "
      "more changes to the file)"};
  vb::CheckBox chkMino{
      *this, "chkMino", "\"M\" - Increment Minor Version",
      "check to increment the 'minor' version number instead of creating a new integer trunk "
      "number (trunk versions only)"};
  vb::CheckBox chkSpec{*this, "chkSpec", "\"S\" - Specify Version", "Prompts for specific version numbers"};
  vb::CheckBox chkBran{*this, "chkBran", "\"B\" - Store as new Branch",
                       "Check to force NORB to store the new version with a new 'branch' version number."};

 private:
  // Clears the other two of the exclusive three, unless the interlock is already at work.
  void Interlock(vb::CheckBox& first, vb::CheckBox& second);
};

}  // namespace norb::forms
