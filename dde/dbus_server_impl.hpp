// What the D-Bus server's files share: the application as published on the bus, the direct
// connections (peers) it offers, and the one poll set for them all. Inside dde/ only; DbusServer
// is the way in.
#pragma once

#include <sdbus-c++/sdbus-c++.h>
#include <systemd/sd-bus.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <list>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "dde/dbus_server.hpp"
#include "dde/topic_service.hpp"

namespace dde {

struct DbusServer::Impl {
  struct Published {
    ServerTopic* topic;
    std::set<std::string, std::less<>> items;
    std::unique_ptr<sdbus::IObject> object;
  };

  std::shared_ptr<ServerApplication> application;
  ServerLimits limits;
  Note note;
  std::string bus_name;
  std::unique_ptr<sdbus::IConnection> connection;
  std::vector<Published> topics;
  // Tells which clients have left the bus, so their own values go too.
  sdbus::Slot departures;
  // Tells who asks for a property before its getter runs: the library hands a getter no caller.
  sdbus::Slot property_calls;
  std::string asking;
  int listener = 0;

  // A direct connection, the client's who asked for it on the bus.
  struct Peer {
    Impl* impl = nullptr;
    uint64_t id = 0;  // never used again, so a call can name its connection after it is gone
    sd_bus* bus = nullptr;
    ClientId client;
    int fd = -1;
    uint32_t armed = 0;  // the events epoll waits for on it
    // The sizes of what was sent and may be unread still, oldest first, and their sum.
    std::deque<std::size_t> sent;
    std::size_t unread = 0;
    // A message arriving: whether the last read finished one, the bytes read of an unfinished
    // one and since when (0: none is unfinished).
    bool heard = false;
    std::size_t partial = 0;
    uint64_t partial_since_us = 0;
    bool behind = false;  // changes for everyone are left out for it, and that was said
    // Why the connection is to be closed at the next turn of the loop; "" while it serves.
    std::string closing;
  };
  sd_id128_t server_id{};
  std::list<Peer> peers;
  uint64_t peers_made = 0;

  // An execute taken from a connection, answered once it has run. Commands run one at a time,
  // outside the connections' own dispatch, so while one waits for something slow (the
  // application serves the connections meanwhile) the connections can be read again, and what
  // the topic can run beside it is answered.
  struct Pending {
    ServerTopic* topic = nullptr;
    std::string command;
    ClientId client;
    sdbus::MethodCall call;             // over the bus
    uint64_t peer = 0;                  // over a direct connection: its id and the call
    sd_bus_message* message = nullptr;  // a reference of our own
  };
  std::deque<Pending> pending;
  // The client whose command is running, if any: its next ones wait for it.
  std::optional<ClientId> running;
  // Outside a running command, a connection is read no further than an execute: what its client
  // sent after it (a read of its answer) is handled after it ran, in the order sent.
  bool Reading() const { return running.has_value() || pending.empty(); }
  // Handles what the connections brought, no further than an execute unless Reading.
  void ReadAll();
  void RunNext();
  void RunBeside();
  void Reply(Pending& call, const ExecuteAnswer& answer);
  void ReplyDirect(Pending& call, const ExecuteAnswer& answer);
  void ClearPending();
  Peer* FindPeer(uint64_t id);
  // Clients refused a connection, so a flood of asking is said once.
  std::set<ClientId, std::less<>> refused;
  std::unique_ptr<sdbus::IObject> root;
  // The bus connection and every peer in one descriptor for the caller's poll.
  int epoll_fd = -1;
  int bus_fd = -1;
  uint32_t bus_armed = 0;
  int stop_fd = -1;

  ~Impl() {
    ClearPending();
    while (!peers.empty()) Drop(peers.begin());
    if (epoll_fd >= 0) ::close(epoll_fd);
    if (stop_fd >= 0) ::close(stop_fd);
  }

  void Publish(ServerTopic& topic, const std::string& path);
  void ItemChanged(const ServerTopic& topic, const std::string& item, const std::string& value,
                   const ClientId& client);
  void WatchClients();

  void OfferDirect();
  int Connect(const ClientId& client);
  std::string Refusal(const ClientId& client, int fd) const;
  bool Room(Peer& peer, std::size_t bytes, bool own);
  void Close(Peer& peer, std::string why);
  int Read(Peer& peer, uint64_t now_us);
  // When the peer's unfinished message is due whole.
  uint64_t Deadline(const Peer& peer) const {
    return peer.partial_since_us + static_cast<uint64_t>(std::max(limits.message_ms, 0)) * 1000;
  }
  void Arm(int fd, uint32_t& armed, uint32_t events);
  void Drop(std::list<Peer>::iterator peer);
  static int OnDirectCall(sd_bus_message* message, void* peer, sd_bus_error* error);
  int DirectCall(sd_bus_message* message, Peer& peer);
  void SendChange(Peer& peer, const std::string& path, const std::string& item, const std::string& value,
                  bool own);
  const Published* FindPublished(std::string_view path) const;
};

namespace dbus {

// The error a refused or failed execute is answered with.
const char* ErrorName(const ExecuteAnswer& answer);

// "1,234,567": the notes' numbers.
std::string Thousands(std::size_t n);

}  // namespace dbus

}  // namespace dde
