// The active project's version-control requests: thin entries into the operations, whose
// dialogs still let the developer choose.
#include "addin/events/nvb5_proj_events.hpp"

#include "addin/main_module.hpp"

namespace norb {

void nvb5ProjEvents::CheckOut() { m_.Check_Out(); }

void nvb5ProjEvents::CheckIn() { m_.Check_In(); }

void nvb5ProjEvents::Fetch() { m_.Get(); }

void nvb5ProjEvents::UnCheckOut() { m_.Undo_Check_Out(); }

}  // namespace norb
