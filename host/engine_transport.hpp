// The link's transport of an IDE session: the in-process bus while a scripted (or no) engine
// serves, the system's own (D-Bus on Linux, DDE on Windows) while the add-in meets the real
// engine. Which one a link uses is decided when it initiates.
//
// Beside the add-in's links to the real engine it keeps one of its own to the engine's outcome
// item, so the session shows what the engine's window would: every outcome the engine publishes,
// the add-in's and other clients'. They are collected as they arrive and taken by the session.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dde/in_process_bus.hpp"
#include "dde/transport.hpp"

namespace vbhost {

class EngineTransport : public dde::Transport {
 public:
  // `bus_address` empty: the user's session bus (D-Bus only).
  explicit EngineTransport(std::string bus_address) : bus_address_(std::move(bus_address)) {}

  dde::InProcessBus& in_process() { return in_process_; }
  void UseRealEngine(bool real) { real_ = real; }

  std::unique_ptr<dde::Conversation> Initiate(std::string_view application, std::string_view topic) override;
  void ServerLaunched() override;
  void Pump() override;
  // Told whenever a link to the real engine begins to wait for a launched server.
  void OnAwait(std::function<void(std::string_view application)> observer) {
    on_await_ = std::move(observer);
  }

  // Whether the engine the add-in last linked to still serves: a link whose engine has quit keeps
  // failing even when another engine has taken the name since, until the add-in links anew.
  bool LinkedEngineServes();
  // Whether an engine serves the link now, waiting as a link does after a launch for one to come.
  bool EngineServes();

  // The engine's outcomes that arrived since the last call, oldest first.
  std::vector<std::string> TakeOutcomes() { return std::exchange(outcomes_, {}); }

 private:
  dde::Transport& Real();
  // The transport of the outcome watch: its own where the system needs one, else Real().
  dde::Transport& Watch();
  void WatchOutcomes(std::string_view application);

  std::string bus_address_;
  dde::InProcessBus in_process_;
  std::unique_ptr<dde::Transport> real_transport_;
  std::unique_ptr<dde::Transport> watch_transport_;
  bool watch_checked_ = false;
  std::vector<std::string> outcomes_;
  // Last, so it goes before the transports it talks through.
  std::unique_ptr<dde::Conversation> outcome_watch_;
  bool real_ = true;
  std::function<void(std::string_view)> on_await_;
};

}  // namespace vbhost
