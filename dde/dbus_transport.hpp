// The DDE client transport over D-Bus (names as dbus_names.hpp says), between the add-in's host
// and the engine program. It starts no thread: every call, and every item update's callback,
// runs on the caller's thread, inside Initiate, Execute, Request, Advise and Pump.
//
// A conversation talks to the server connection that owned the application's name when it was
// initiated; once that server is gone the conversation answers 291, even if a new server has
// taken the name since. Linking anew reaches the new one.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "dde/transport.hpp"

namespace dde {

// How long a link waits for a server that is still starting: the add-in links right after it
// launches the engine. Hosts hand it to TextBoxLinks; Initiate never waits longer.
inline constexpr std::chrono::milliseconds kServerStartWait{3000};

class DbusTransport final : public Transport {
 public:
  // The user's session bus.
  DbusTransport();
  // The bus at `bus_address` (a private bus, as tests start one).
  explicit DbusTransport(std::string bus_address);
  ~DbusTransport() override;
  DbusTransport(const DbusTransport&) = delete;
  DbusTransport& operator=(const DbusTransport&) = delete;

  // How long a call to a server (execute, request, advise) may take before it fails with 286;
  // zero, the default, leaves the bus library's default (25 s).
  void SetCallTimeout(std::chrono::microseconds timeout);

  // Connects to the bus at the first initiate; a bus it cannot reach answers 282, and the next
  // initiate tries again. Waits up to min(wait, kServerStartWait) for the application's name to
  // appear; 282 when it does not, or when its server lacks the topic.
  std::unique_ptr<Conversation> Initiate(std::string_view application, std::string_view topic,
                                         std::chrono::milliseconds wait) override;
  // Dispatches every message that has arrived; never waits.
  void Pump() override;

 private:
  struct Bus;
  class DbusConversation;
  std::shared_ptr<Bus> bus_;
};

}  // namespace dde
