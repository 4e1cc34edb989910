// The DDE client transport over D-Bus (names as dbus_names.hpp says), between the add-in's host
// and the engine program. It starts no thread: every call, and every item update's callback,
// runs on the caller's thread, inside Initiate, Execute, Request, Advise and Pump.
//
// An execute holding a NUL byte is refused with 285 and never sent: D-Bus strings end there.
//
// A server that offers a direct connection (dbus_names.hpp) is reached over it from the first
// initiate on: the transport asks for it once per server and carries every conversation with that
// server there, so an execute and its answers cost no hop through the bus daemon. Where the offer
// is missing or the connection cannot be made, the bus carries them, as for any server.
//
// A conversation talks to the server connection that owned the application's name when it was
// initiated; once that server is gone the conversation answers 291, even if a new server has
// taken the name since. Linking anew reaches the new one.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "dde/transport.hpp"

namespace dde {
namespace dbus {
struct Client;
}

// How long after a launch an initiate may wait for the launched server to take its name: the
// add-in links right after it starts the engine. One window per launch, shared by the initiates
// in it, so a launch that brings up no server stalls the links that follow once, not each.
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
  // Whether initiates may take a server's direct connection (the default); without, the bus
  // carries every conversation, as a benchmark compares.
  void SetDirect(bool allowed);

  // Connects to the bus at the first initiate; a bus it cannot reach answers 282, and the next
  // initiate tries again. A name nobody owns is waited for only until kServerStartWait after the
  // last ServerLaunched; 282 when it does not appear, or when its server lacks the topic.
  //
  // A topic is there when its object answers a call of Execute without the command in any way
  // but "no such name", "no such object" or "no such method": a server runs no command it was
  // not given, and every library says one of those three when it lacks the object or the
  // method. libdbus (python3-dbus) says "no such method" for a path it does not export, which
  // is why that answer cannot prove the object; where a library routes calls by signature and
  // so says it for the topic too, the object's introspection decides.
  std::unique_ptr<Conversation> Initiate(std::string_view application, std::string_view topic) override;
  void ServerLaunched() override;
  // Told the application whenever an initiate begins to wait for it (a host's transcript).
  void OnAwait(std::function<void(std::string_view application)> observer);
  // Dispatches every message that has arrived; never waits.
  void Pump() override;

 private:
  std::shared_ptr<dbus::Client> client_;
};

}  // namespace dde
