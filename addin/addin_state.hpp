// The add-in's "process": its module-level globals and its forms' default instances live here,
// created when the process starts and destroyed when it ends, never in C++ statics.
#pragma once

#include <memory>
#include <string>

#include "platform/ide.hpp"
#include "platform/services.hpp"
#include "vbrt/runtime.hpp"

namespace norb {

class AddinState {
 public:
  explicit AddinState(platform::Services services);
  AddinState(const AddinState&) = delete;
  AddinState& operator=(const AddinState&) = delete;

  vb::Runtime& runtime() { return rt_; }
  platform::Services& services() { return rt_.services(); }

  // Module-level globals.
  std::shared_ptr<platform::ide::VBE> gVBE;
  std::shared_ptr<platform::ide::Application> gVBInst;
  std::string gEngineDir;
  long gLockMode = 0;

 private:
  vb::Runtime rt_;
};

// Starts the add-in's process: the state with the App object filled in.
std::shared_ptr<AddinState> StartProcess(platform::Services services, std::string app_path);

}  // namespace norb
