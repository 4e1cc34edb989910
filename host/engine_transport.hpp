// The link's transport of a scenario run: the in-process bus while a scripted (or no) engine
// serves, D-Bus while the add-in meets the real engine. Which one a link uses is decided when it
// initiates.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "dde/dbus_transport.hpp"
#include "dde/in_process_bus.hpp"
#include "dde/transport.hpp"

namespace vbhost {

class EngineTransport : public dde::Transport {
 public:
  // `bus_address` empty: the user's session bus.
  explicit EngineTransport(std::string bus_address) : bus_address_(std::move(bus_address)) {}

  dde::InProcessBus& in_process() { return in_process_; }
  void UseRealEngine(bool real) { real_ = real; }
  bool real() const { return real_; }

  std::unique_ptr<dde::Conversation> Initiate(std::string_view application, std::string_view topic) override;
  void ServerLaunched() override;
  void Pump() override;
  // Told whenever a link over D-Bus begins to wait for a launched server.
  void OnAwait(std::function<void(std::string_view application)> observer) {
    on_await_ = std::move(observer);
  }

 private:
  dde::DbusTransport& Dbus();

  std::string bus_address_;
  dde::InProcessBus in_process_;
  std::unique_ptr<dde::DbusTransport> dbus_;
  bool real_ = true;
  std::function<void(std::string_view)> on_await_;
};

}  // namespace vbhost
