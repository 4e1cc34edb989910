// Where a `vbhost` run meets the real engine. On Linux: the user's session bus, or a private
// dbus-daemon started for the run and the programs it launches; on Windows: DDE, which finds its
// servers by broadcast and has no bus to choose.
#pragma once

#include <memory>
#include <string>

namespace vbhost {

struct RunBus {
  // What the session's transport is given; empty: the user's session bus.
  std::string address;
  // A bus of the run's own, stopped when the last copy of this goes.
  bool is_private = false;
  std::shared_ptr<void> keeps;
};

// Whether this build has buses to choose (the --bus option).
extern const bool kBusChoice;

// `choice` is "session", "private" or empty (the session bus when DBUS_SESSION_BUS_ADDRESS is
// set, else a private one). A private bus's address is put in this process's environment, so
// the engines the run launches find it. Throws std::runtime_error when it cannot start.
RunBus StartRunBus(std::string choice);

}  // namespace vbhost
