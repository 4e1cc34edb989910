#include "addin/events/nvb5_proj_events.hpp"

namespace norb {

// The check-in and check-out operations are not built yet: the requests are taken and dropped.
void nvb5ProjEvents::CheckOut() {}
void nvb5ProjEvents::CheckIn() {}
void nvb5ProjEvents::Fetch() {}
void nvb5ProjEvents::UnCheckOut() {}

}  // namespace norb
