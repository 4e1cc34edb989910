// The one place that chooses the engine's store, and so the one place outside wnorb16/rcs/ that
// knows RCS's.
#include "wnorb16/engine.hpp"
#include "wnorb16/rcs/rcs_store.hpp"

namespace wnorb16 {

std::unique_ptr<Store> ChooseStore(const EngineSetup& setup) {
  return std::make_unique<rcs::RcsStore>(
      rcs::RcsSetup{setup.resolver, setup.home_folder, setup.programs_folder, setup.lock_wait});
}

}  // namespace wnorb16
