// The server's direct connections: one socket pair per client that asks, within the limits one
// client may cost, carrying its executes, reads and item changes without the bus daemon.
#include <sys/epoll.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

#include "dde/dbus_names.hpp"
#include "dde/dbus_server_impl.hpp"

namespace dde {

std::string dbus::Thousands(std::size_t n) {
  std::string digits = std::to_string(n);
  for (auto at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

using dbus::Thousands;

namespace {

// Answers a call and says it was handled; an answer that cannot be sent is the peer's loss.
int Replied(int sent) { return sent < 0 ? sent : 1; }

constexpr int kSocketBuffer = 128 << 10;

// What a message carrying `value` costs, its header and names included.
std::size_t Cost(std::size_t value) { return value + 256; }

int Readable(int fd) {
  int bytes = 0;
  return ::ioctl(fd, FIONREAD, &bytes) == 0 ? bytes : 0;
}

}  // namespace

void DbusServer::Impl::OfferDirect() {
  if (sd_id128_randomize(&server_id) < 0) return;
  try {
    root = sdbus::createObject(*connection, std::string(dbus::kDirectPath));
    root->registerMethod(std::string(dbus::kDirectInterface), std::string(dbus::kConnectMethod), "", {}, "h",
                         {"connection"}, [this](const sdbus::MethodCall& call) {
                           const int theirs = Connect(call.getSender());
                           if (theirs < 0) throw sdbus::Error(SD_BUS_ERROR_FAILED, "no direct connection");
                           auto reply = call.createReply();
                           reply << sdbus::UnixFd(theirs, sdbus::adopt_fd);
                           reply.send();
                         });
    root->finishRegistration();
  } catch (const sdbus::Error&) {
    // Served over the bus alone.
    root.reset();
  }
}

// Makes a connection for `client` alone and answers its other end, -1 when none can be made.
// Handed over the bus, it reaches only the caller: no socket anyone else could find, no file to
// leave behind.
int DbusServer::Impl::Connect(const ClientId& client) {
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends) != 0) return -1;
  if (std::string why = Refusal(client, std::max(ends[0], ends[1])); !why.empty()) {
    ::close(ends[0]);
    ::close(ends[1]);
    if (note && refused.insert(client).second) note("refused " + client + " a direct connection: " + why);
    // The client is served over the bus.
    throw sdbus::Error(SD_BUS_ERROR_LIMITS_EXCEEDED, why);
  }
  Peer& peer = peers.emplace_back();
  peer.impl = this;
  peer.id = ++peers_made;
  peer.client = client;
  peer.fd = ends[0];
  if (sd_bus_new(&peer.bus) < 0) {
    ::close(ends[0]);
    ::close(ends[1]);
    peers.pop_back();
    return -1;
  }
  // From here the connection owns its end.
  if (sd_bus_set_fd(peer.bus, ends[0], ends[0]) < 0 || sd_bus_set_server(peer.bus, 1, server_id) < 0 ||
      sd_bus_add_fallback(peer.bus, nullptr, "/", &Impl::OnDirectCall, &peer) < 0 ||
      sd_bus_add_filter(
          peer.bus, nullptr,
          [](sd_bus_message*, void* heard, sd_bus_error*) {
            static_cast<Peer*>(heard)->heard = true;
            return 0;
          },
          &peer) < 0 ||
      sd_bus_start(peer.bus) < 0) {
    Drop(std::prev(peers.end()));
    ::close(ends[1]);
    return -1;
  }
  // sd-bus asks for megabytes of socket buffer; what a client leaves unread is bounded in the
  // server's own queue, where it can be counted, so the kernel's share is kept small.
  const int buffer = kSocketBuffer;
  ::setsockopt(peer.fd, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
  Arm(peer.fd, peer.armed, EPOLLIN);
  return ends[1];
}

// Why `client` gets no further connection, "" when it may have one. `fd` is the highest
// descriptor the connection took: descriptors are handed out lowest first, so every one below it
// is in use.
std::string DbusServer::Impl::Refusal(const ClientId& client, int fd) const {
  const auto own = static_cast<std::size_t>(
      std::count_if(peers.begin(), peers.end(), [&](const Peer& peer) { return peer.client == client; }));
  if (own >= limits.direct_per_client) {
    return "it has " + Thousands(own) + " already, the most one client may have";
  }
  if (peers.size() >= limits.direct_in_all) {
    return "the server keeps " + Thousands(peers.size()) + ", the most it keeps for all its clients";
  }
  rlimit files{};
  if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur != RLIM_INFINITY &&
      static_cast<rlim_t>(fd) + 1 + static_cast<rlim_t>(std::max(limits.descriptor_reserve, 0)) >
          files.rlim_cur) {
    return "fewer than " + Thousands(static_cast<std::size_t>(std::max(limits.descriptor_reserve, 0))) +
           " of its " + Thousands(files.rlim_cur) + " descriptors would be left for its own work";
  }
  return {};
}

// Whether `bytes` more may wait for the peer's client: what waits is the server's memory. A
// client behind is left out of changes for everyone (an idle IDE is, while another works); its
// own answers have room beyond that, as it reads them when it calls, and one that calls and
// calls without reading them is closed.
bool DbusServer::Impl::Room(Peer& peer, std::size_t bytes, bool own) {
  if (!peer.closing.empty()) return false;
  // The connection sends in order, so the messages still queued are the newest ones sent.
  uint64_t queued = 0;
  if (sd_bus_get_n_queued_write(peer.bus, &queued) >= 0) {
    while (peer.sent.size() > queued) {
      peer.unread -= peer.sent.front();
      peer.sent.pop_front();
    }
  }
  if (own && peer.unread + bytes > 2 * limits.unread) {
    Close(peer, "its client left " + Thousands(peer.unread + bytes) + " bytes of its answers unread");
    return false;
  }
  if (!own && peer.unread + bytes > limits.unread) {
    if (!std::exchange(peer.behind, true) && note) {
      note("left changes for everyone out for " + peer.client + ": " + Thousands(peer.unread) +
           " bytes wait unread, and one client may have " + Thousands(limits.unread));
    }
    return false;
  }
  if (!own) peer.behind = false;
  peer.sent.push_back(bytes);
  peer.unread += bytes;
  return true;
}

// Closed at the next turn of the loop: the peer may be in the middle of a call now.
void DbusServer::Impl::Close(Peer& peer, std::string why) {
  if (peer.closing.empty()) peer.closing = std::move(why);
}

// Handles what the peer sent. sd-bus reads no further than the end of the message it is reading,
// so bytes taken by a step that handled no message belong to one not yet whole.
int DbusServer::Impl::Read(Peer& peer, uint64_t now_us) {
  int done = 0;
  uint64_t until = UINT64_MAX;
  do {
    const bool running = sd_bus_is_ready(peer.bus) > 0;
    const int before = Readable(peer.fd);
    peer.heard = false;
    done = sd_bus_process(peer.bus, nullptr);
    const int after = Readable(peer.fd);
    if (peer.heard) {
      peer.partial = 0;
      peer.partial_since_us = 0;
    } else if (running && after < before) {
      peer.partial += static_cast<std::size_t>(before - after);
      if (peer.partial_since_us == 0) peer.partial_since_us = now_us;
      if (peer.partial > limits.message) {
        Close(peer,
              "its client sent more than the " + Thousands(limits.message) + " bytes one message may hold");
      }
    }
  } while (done > 0 && peer.closing.empty() && Reading() && sd_bus_get_timeout(peer.bus, &until) > 0 &&
           until == 0);
  return done;
}

void DbusServer::Impl::Drop(std::list<Peer>::iterator peer) {
  if (peer->armed != 0) ::epoll_ctl(epoll_fd, EPOLL_CTL_DEL, peer->fd, nullptr);
  sd_bus_close_unref(peer->bus);
  peers.erase(peer);
}

const DbusServer::Impl::Published* DbusServer::Impl::FindPublished(std::string_view path) const {
  for (const auto& published : topics) {
    if (published.object->getObjectPath() == path) return &published;
  }
  return nullptr;
}

int DbusServer::Impl::OnDirectCall(sd_bus_message* message, void* peer, sd_bus_error*) {
  // Nothing may unwind through the library's C frames.
  try {
    return static_cast<Peer*>(peer)->impl->DirectCall(message, *static_cast<Peer*>(peer));
  } catch (const std::exception& e) {
    return Replied(sd_bus_reply_method_errorf(message, SD_BUS_ERROR_FAILED, "%s", e.what()));
  }
}

int DbusServer::Impl::DirectCall(sd_bus_message* message, Peer& peer) {
  const std::string_view path = sd_bus_message_get_path(message);
  const char* interface_name = sd_bus_message_get_interface(message);
  const char* member_name = sd_bus_message_get_member(message);
  const std::string_view interface = interface_name ? interface_name : "";
  const std::string_view member = member_name ? member_name : "";
  const Published* published = FindPublished(path);
  if (published == nullptr) {
    return Replied(sd_bus_reply_method_errorf(message, SD_BUS_ERROR_UNKNOWN_OBJECT, "no topic at %s",
                                              std::string(path).c_str()));
  }
  ServerTopic& topic = *published->topic;
  if (interface == dbus::kTopicInterface && member == dbus::kExecuteMethod) {
    const char* command = nullptr;
    if (sd_bus_message_read(message, "s", &command) < 0) {
      return Replied(
          sd_bus_reply_method_errorf(message, SD_BUS_ERROR_INVALID_ARGS, "Execute takes a command"));
    }
    Pending taken;
    taken.topic = &topic;
    taken.command = command;
    taken.client = peer.client;
    taken.peer = peer.id;
    taken.message = sd_bus_message_ref(message);
    pending.push_back(std::move(taken));
    return 1;
  }
  if (interface == dbus::kPropertiesInterface && member == "Get") {
    const char* items = nullptr;
    const char* property = nullptr;
    if (sd_bus_message_read(message, "ss", &items, &property) < 0 || items != dbus::kItemsInterface ||
        !published->items.contains(std::string_view(property))) {
      return Replied(sd_bus_reply_method_errorf(message, SD_BUS_ERROR_UNKNOWN_PROPERTY, "no such item"));
    }
    const std::string value = ItemValueFor(topic, property, peer.client);
    if (!Room(peer, Cost(value.size()), true)) return 1;
    return Replied(sd_bus_reply_method_return(message, "v", "s", value.c_str()));
  }
  return Replied(sd_bus_reply_method_errorf(message, SD_BUS_ERROR_UNKNOWN_METHOD, "no method %s.%s",
                                            std::string(interface).c_str(), std::string(member).c_str()));
}

void DbusServer::Impl::ReplyDirect(Pending& call, const ExecuteAnswer& answer) {
  sd_bus_message* message = std::exchange(call.message, nullptr);
  // A connection closed meanwhile has nobody to tell.
  if (Peer* peer = FindPeer(call.peer)) {
    if (answer.kind == ExecuteAnswer::Kind::kFailed) {
      sd_bus_reply_method_errorf(message, dbus::ErrorName(answer), "%s", answer.why.c_str());
    } else if (Room(*peer, Cost(0), true)) {
      if (answer.kind == ExecuteAnswer::Kind::kTaken) {
        sd_bus_reply_method_return(message, nullptr);
      } else {
        sd_bus_reply_method_errorf(message, dbus::ErrorName(answer), "%s", answer.why.c_str());
      }
    }
  }
  sd_bus_message_unref(message);
}

void DbusServer::Impl::SendChange(Peer& peer, const std::string& path, const std::string& item,
                                  const std::string& value, bool own) {
  if (!Room(peer, Cost(value.size()), own)) return;
  sd_bus_message* signal = nullptr;
  if (sd_bus_message_new_signal(peer.bus, &signal, path.c_str(),
                                std::string(dbus::kPropertiesInterface).c_str(),
                                std::string(dbus::kPropertiesChanged).c_str()) < 0) {
    return;
  }
  // A change nobody can hear is no failure of whoever made it; a lost peer shows in the loop.
  if (sd_bus_message_append(signal, "sa{sv}as", std::string(dbus::kItemsInterface).c_str(), 1, item.c_str(),
                            "s", value.c_str(), 0) >= 0 &&
      sd_bus_send(peer.bus, signal, nullptr) < 0 && sd_bus_is_open(peer.bus) > 0) {
    Close(peer, "a change could not be queued for its client");
  }
  sd_bus_message_unref(signal);
}

}  // namespace dde
