#include "addin/addin_state.hpp"

#include "norb/version.hpp"

namespace norb {

AddinState::AddinState(platform::Services services) : rt_(services) {}

std::shared_ptr<AddinState> StartProcess(platform::Services services, std::string app_path) {
  auto state = std::make_shared<AddinState>(services);
  vb::App& app = state->runtime().app();
  app.Title = "NORBVB5";
  app.Path = std::move(app_path);
  app.Major = kVersionMajor;
  app.Minor = kVersionMinor;
  app.Revision = kVersionRevision;
  return state;
}

}  // namespace norb
