// What the D-Bus client transport's carriers share: the bus connection, the daemon that knows
// who owns which name, each server's direct connection, and the pump that delivers whatever came
// on any of them. Inside dde/ only; DbusTransport is the way in.
#pragma once

#include <sdbus-c++/sdbus-c++.h>
#include <systemd/sd-bus.h>

#include <chrono>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "dde/link_carrier.hpp"

namespace dde::dbus {

// A direct connection to one server, shared by the conversations with it; closed means the
// server has quit, as nothing else closes it.
class DirectLink {
 public:
  explicit DirectLink(sd_bus* made) : bus_(made) {}
  sd_bus* Bus() const { return bus_.get(); }
  bool Open() const { return sd_bus_is_open(Bus()) > 0; }
  // Whether it holds messages already read: they are delivered without a read.
  bool Queued() const;

 private:
  // Not flushed: a server that stopped reading must not hold us up.
  struct Close {
    void operator()(sd_bus* bus) const { sd_bus_close_unref(bus); }
  };
  std::unique_ptr<sd_bus, Close> bus_;
};

struct Client {
  std::string address;  // empty: the session bus
  std::chrono::microseconds timeout{0};
  // Until when a launched server may still be taking its name; in the past while nothing was
  // launched.
  std::chrono::steady_clock::time_point start_deadline{};
  std::function<void(std::string_view)> on_await;
  std::unique_ptr<sdbus::IConnection> connection;
  std::unique_ptr<sdbus::IProxy> daemon;
  // A callback's exception, carried past the bus libraries' C frames to whoever dispatched.
  std::exception_ptr callback_failure;
  bool direct_allowed = true;
  // Each server met (its unique name) with its direct connection, null where it offers none.
  std::map<std::string, std::shared_ptr<DirectLink>, std::less<>> directs;

  // Names and owners (dbus_client_names.cpp).
  bool Connect();
  std::optional<std::string> Owner(const std::string& bus_name);
  std::optional<std::string> AwaitOwner(const std::string& bus_name, std::string_view application);
  bool Alive(const std::string& unique_name);
  void Await(std::chrono::steady_clock::duration left);

  // The pump (dbus_client_pump.cpp).
  void Drain();
  bool ProcessBus();
  void Process(DirectLink& link);
  void Rethrow();
  // Hands an item change to a conversation's sink; what it throws waits for Rethrow.
  void Deliver(const ItemChangeSink& sink, std::string_view item, const std::string& text);
};

// Whether a topic answers, from what its Execute said to a call without the command: any answer
// but "no such name", "no such object" or "no such method". Where the answer is "no such method",
// which some libraries give for a signature they do not route, `introspect` (the object's
// introspection data, null when it gave none) decides.
bool TopicAnswered(const std::string& error, const std::function<std::optional<std::string>()>& introspect);

// The carriers. Each answers null when the server has no such topic.
std::unique_ptr<LinkCarrier> BusCarrier(std::shared_ptr<Client> client, const std::string& server,
                                        const std::string& path);
// Null, too, when the direct connection failed on the way, and `lost` says so: the bus decides.
std::unique_ptr<LinkCarrier> DirectCarrier(std::shared_ptr<Client> client, std::shared_ptr<DirectLink> link,
                                           const std::string& path, bool& lost);
// The server's direct connection, made at the first initiate with it; null when it offers none
// or the connection cannot be made, and then the bus serves it from there on.
std::shared_ptr<DirectLink> DirectTo(Client& client, const std::string& server);

}  // namespace dde::dbus
