// The active project's version-control requests: thin entries into the operations, whose
// dialogs still let the developer choose.
#include "addin/events/nvb5_proj_events.hpp"

#include "addin/main_module.hpp"
#include "addin/operations/frm_extract.hpp"
#include "addin/operations/frm_update.hpp"

namespace norb {

void nvb5ProjEvents::CheckOut() { m_.Check_Out(); }

void nvb5ProjEvents::CheckIn() { m_.Check_In(); }

void nvb5ProjEvents::Fetch() {
  m_.frmExtract->CheckBrowseMode.SetValue(vb::vbChecked);
  m_.frmExtract->CheckFastFreshn.SetValue(vb::vbChecked);
  m_.Check_Out();
}

void nvb5ProjEvents::UnCheckOut() {
  m_.frmUpdate->chkDisc.SetValue(vb::vbChecked);
  m_.Check_In();
}

}  // namespace norb
