#include <cstdlib>
#include <stdexcept>

#include "dde/private_bus.hpp"
#include "host/run_bus.hpp"

namespace vbhost {

const bool kBusChoice = true;

RunBus StartRunBus(std::string choice) {
  if (choice.empty()) {
    const char* session = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    choice = session && *session ? "session" : "private";
  }
  RunBus bus;
  if (choice != "private") return bus;
  std::shared_ptr<dde::PrivateBus> daemon;
  try {
    daemon = std::make_shared<dde::PrivateBus>();
  } catch (const std::exception& e) {
    throw std::runtime_error(std::string("cannot start a private bus: ") + e.what());
  }
  daemon->RemoveOnTermination();
  bus.address = daemon->Address();
  bus.is_private = true;
  bus.keeps = daemon;
  // The engines vbhost launches find the same bus.
  ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.address.c_str(), 1);
  return bus;
}

}  // namespace vbhost
