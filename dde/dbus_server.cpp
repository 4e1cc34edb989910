#include "dde/dbus_server.hpp"

#include <poll.h>
#include <sdbus-c++/sdbus-c++.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <systemd/sd-bus.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <list>
#include <set>
#include <utility>
#include <vector>

#include "dde/dbus_names.hpp"

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
  // Clients refused a connection, so a flood of asking is said once.
  std::set<ClientId, std::less<>> refused;
  std::unique_ptr<sdbus::IObject> root;
  // The bus connection and every peer in one descriptor for the caller's poll.
  int epoll_fd = -1;
  int bus_fd = -1;
  uint32_t bus_armed = 0;
  int stop_fd = -1;

  ~Impl() {
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

namespace {

std::string Required(std::optional<std::string> name, std::string_view what, std::string_view dde_name) {
  if (!name)
    throw std::invalid_argument("D-Bus cannot carry the DDE " + std::string(what) + " name \"" +
                                std::string(dde_name) + '"');
  return std::move(*name);
}

void Answer(sdbus::MethodCall& call, ServerTopic& topic) {
  std::string command;
  call >> command;
  bool taken = false;
  try {
    taken = topic.Execute(command, call.getSender());
  } catch (const std::exception& e) {
    // The handler's own failure: the client must not wait for a reply that never comes.
    call.createErrorReply(sdbus::Error(std::string(dbus::kFailedError), e.what())).send();
    return;
  }
  if (taken) {
    call.createReply().send();
  } else {
    call.createErrorReply(
            sdbus::Error(std::string(dbus::kRefusedError), topic.Name() + " refused the command"))
        .send();
  }
}

}  // namespace

void DbusServer::Impl::Publish(ServerTopic& topic, const std::string& path) {
  Published published{&topic, {}, sdbus::createObject(*connection, path)};
  ServerTopic* target = &topic;
  published.object->registerMethod(std::string(dbus::kTopicInterface), std::string(dbus::kExecuteMethod), "s",
                                   {"command"}, "", {},
                                   [target](sdbus::MethodCall call) { Answer(call, *target); });
  for (const ServerItem& item : topic.Items()) {
    std::string property = Required(dbus::PropertyName(item.name), "item", item.name);
    std::string name = item.name;
    // Each caller reads its own value.
    published.object->registerProperty(std::string(dbus::kItemsInterface), property, "s",
                                       [this, target, name](sdbus::PropertyGetReply& reply) {
                                         const ServerItem* now = target->FindItem(name);
                                         reply << (now ? now->ValueFor(asking) : std::string());
                                       });
    published.items.insert(std::move(property));
  }
  published.object->finishRegistration();
  topics.push_back(std::move(published));
}

void DbusServer::Impl::ItemChanged(const ServerTopic& topic, const std::string& item,
                                   const std::string& value, const ClientId& client) {
  for (auto& published : topics) {
    if (published.topic != &topic || !published.items.contains(item)) continue;
    // A client with a direct connection hears over it alone; everyone hears a change for all.
    bool direct = false;
    for (Peer& peer : peers) {
      if (peer.client.empty() || (!client.empty() && peer.client != client)) continue;
      SendChange(peer, published.object->getObjectPath(), item, value, !client.empty());
      direct = true;
    }
    if (direct && !client.empty()) continue;
    try {
      // Built by hand with the value at hand: the library's way looks the property up and calls
      // its getter again, which costs a good part of an execute's round trip.
      auto signal = published.object->createSignal(std::string(dbus::kPropertiesInterface),
                                                   std::string(dbus::kPropertiesChanged));
      signal << std::string(dbus::kItemsInterface);
      signal.openContainer("{sv}").openDictEntry("sv") << item;
      signal.openVariant("s") << value;
      signal.closeVariant().closeDictEntry().closeContainer();
      signal.openContainer("s").closeContainer();
      // A client's own answer goes to it alone.
      if (!client.empty()) signal.setDestination(client);
      published.object->emitSignal(signal);
    } catch (const sdbus::Error&) {
      // A change nobody can hear is no failure of whoever made it; a lost bus shows in the loop.
    }
  }
}

void DbusServer::Impl::WatchClients() {
  // Match rules run on every message before its object's handlers, on the same thread.
  property_calls = connection->addMatch("type='method_call',interface='org.freedesktop.DBus.Properties'",
                                        [this](sdbus::Message& message) { asking = message.getSender(); });
  departures = connection->addMatch(
      "type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',"
      "interface='org.freedesktop.DBus',member='NameOwnerChanged',arg2=''",
      [this](sdbus::Message& message) {
        std::string name, old_owner, new_owner;
        try {
          message >> name >> old_owner >> new_owner;
        } catch (const sdbus::Error&) {
          return;
        }
        // A unique name never comes back: its owner is gone for good.
        if (new_owner.empty() && name.starts_with(':')) {
          application->ForgetClient(name);
          refused.erase(name);
        }
      });
}

namespace {

// Answers a call and says it was handled; an answer that cannot be sent is the peer's loss.
int Replied(int sent) { return sent < 0 ? sent : 1; }

constexpr int kSocketBuffer = 128 << 10;

// What a message carrying `value` costs, its header and names included.
std::size_t Cost(std::size_t value) { return value + 256; }

std::string Thousands(std::size_t n) {
  std::string digits = std::to_string(n);
  for (auto at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

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
                         {"connection"}, [this](sdbus::MethodCall call) {
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
  } while (done > 0 && peer.closing.empty() && sd_bus_get_timeout(peer.bus, &until) > 0 && until == 0);
  return done;
}

void DbusServer::Impl::Arm(int fd, uint32_t& armed, uint32_t events) {
  if (armed == events) return;
  epoll_event event{};
  event.events = events;
  event.data.fd = fd;
  ::epoll_ctl(epoll_fd, armed == 0 ? EPOLL_CTL_ADD : EPOLL_CTL_MOD, fd, &event);
  armed = events;
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
    bool taken = false;
    try {
      taken = topic.Execute(command, peer.client);
    } catch (const std::exception& e) {
      return Replied(
          sd_bus_reply_method_errorf(message, std::string(dbus::kFailedError).c_str(), "%s", e.what()));
    }
    if (!Room(peer, Cost(0), true)) return 1;
    if (taken) return Replied(sd_bus_reply_method_return(message, nullptr));
    return Replied(sd_bus_reply_method_errorf(message, std::string(dbus::kRefusedError).c_str(),
                                              "%s refused the command", topic.Name().c_str()));
  }
  if (interface == dbus::kPropertiesInterface && member == "Get") {
    const char* items = nullptr;
    const char* property = nullptr;
    if (sd_bus_message_read(message, "ss", &items, &property) < 0 || items != dbus::kItemsInterface ||
        !published->items.contains(std::string_view(property))) {
      return Replied(sd_bus_reply_method_errorf(message, SD_BUS_ERROR_UNKNOWN_PROPERTY, "no such item"));
    }
    const ServerItem* item = topic.FindItem(property);
    const std::string& value = item ? item->ValueFor(peer.client) : std::string();
    if (!Room(peer, Cost(value.size()), true)) return 1;
    return Replied(sd_bus_reply_method_return(message, "v", "s", value.c_str()));
  }
  return Replied(sd_bus_reply_method_errorf(message, SD_BUS_ERROR_UNKNOWN_METHOD, "no method %s.%s",
                                            std::string(interface).c_str(), std::string(member).c_str()));
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

DbusServer::DbusServer(std::shared_ptr<ServerApplication> application, const std::string& bus_address,
                       ServerLimits limits, Note note)
    : impl_(std::make_unique<Impl>()) {
  if (!application) throw std::invalid_argument("no application to publish");
  impl_->application = std::move(application);
  impl_->limits = limits;
  impl_->note = std::move(note);
  ServerApplication& app = *impl_->application;
  impl_->bus_name = Required(dbus::BusName(app.Name()), "application", app.Name());
  std::vector<std::pair<ServerTopic*, std::string>> paths;
  for (const auto& name : app.TopicNames()) {
    paths.emplace_back(app.FindTopic(name), Required(dbus::ObjectPath(name), "topic", name));
  }

  impl_->epoll_fd = ::epoll_create1(EPOLL_CLOEXEC);
  impl_->stop_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (impl_->epoll_fd < 0 || impl_->stop_fd < 0) throw std::runtime_error("cannot make a poll set");
  try {
    impl_->connection = bus_address.empty() ? sdbus::createSessionBusConnection()
                                            : sdbus::createSessionBusConnectionWithAddress(bus_address);
  } catch (const sdbus::Error& e) {
    throw std::runtime_error("cannot reach the D-Bus session bus: " + e.getMessage());
  }
  try {
    impl_->WatchClients();
  } catch (const sdbus::Error& e) {
    throw std::runtime_error("cannot watch the clients on the bus: " + e.getMessage());
  }
  impl_->bus_fd = impl_->connection->getEventLoopPollData().fd;
  for (auto& [topic, path] : paths) impl_->Publish(*topic, path);
  // Before the name, as the topics: a client that sees the name finds the offer.
  impl_->OfferDirect();
  try {
    impl_->connection->requestName(impl_->bus_name);
  } catch (const sdbus::Error& e) {
    if (e.getName() == "org.freedesktop.DBus.Error.FileExists") {
      throw ApplicationRunning("DDE application " + app.Name() + " is running already (" + impl_->bus_name +
                               ')');
    }
    throw std::runtime_error("cannot own " + impl_->bus_name + ": " + e.getMessage());
  }
  Impl* impl = impl_.get();
  impl_->listener =
      app.AddItemListener([impl](const ServerTopic& topic, const std::string& item, const std::string& value,
                                 const ClientId& client) { impl->ItemChanged(topic, item, value, client); });
}

DbusServer::~DbusServer() {
  impl_->application->RemoveItemListener(impl_->listener);
  // The objects need their connection; closing it releases the name.
  impl_->topics.clear();
  impl_->root.reset();
  impl_->departures = {};
  impl_->property_calls = {};
  impl_->connection.reset();
}

const std::string& DbusServer::BusName() const { return impl_->bus_name; }

namespace {

uint64_t MonotonicUs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000000 + static_cast<uint64_t>(now.tv_nsec) / 1000;
}

// Whether a connection has work without a read: messages it has read and queued, or a time-out
// that has come.
bool Due(uint64_t until, uint64_t now_us) { return until == 0 || until <= now_us; }

}  // namespace

DbusServer::PollData DbusServer::GetPollData() const {
  Impl& impl = *impl_;
  const auto data = impl.connection->getEventLoopPollData();
  int timeout_ms = data.getPollTimeout();
  impl.Arm(impl.bus_fd, impl.bus_armed, static_cast<uint32_t>(data.events));
  const uint64_t now_us = MonotonicUs();
  for (auto& peer : impl.peers) {
    if (!peer.closing.empty()) return {impl.epoll_fd, POLLIN, 0};
    if (const int events = sd_bus_get_events(peer.bus); events > 0) {
      impl.Arm(peer.fd, peer.armed, static_cast<uint32_t>(events));
    }
    uint64_t until = 0;
    if (sd_bus_get_timeout(peer.bus, &until) < 0) until = UINT64_MAX;
    if (peer.partial_since_us != 0) until = std::min(until, impl.Deadline(peer));
    if (until == UINT64_MAX) continue;
    const int ms =
        until <= now_us ? 0 : static_cast<int>(std::min<uint64_t>((until - now_us + 999) / 1000, 1 << 30));
    timeout_ms = timeout_ms < 0 ? ms : std::min(timeout_ms, ms);
  }
  return {impl.epoll_fd, POLLIN, timeout_ms};
}

void DbusServer::ProcessPending() {
  Impl& impl = *impl_;
  // One look at the poll set tells which connections have something; only those are read, so a
  // quiet one costs no read that finds nothing. What is left in a socket keeps the set ready for
  // the caller's next poll.
  epoll_event ready[16];
  const int count = ::epoll_wait(impl.epoll_fd, ready, 16, 0);
  auto is_ready = [&](int fd) {
    for (int i = 0; i < count; ++i) {
      if (ready[i].data.fd == fd) return true;
    }
    return false;
  };
  const uint64_t now_us = MonotonicUs();
  auto bus_due = [&] {
    const uint64_t until = impl.connection->getEventLoopPollData().timeout_usec;
    return until != UINT64_MAX && Due(until, now_us);
  };
  if (is_ready(impl.bus_fd) || bus_due()) {
    while (impl.connection->processPendingRequest() &&
           impl.connection->getEventLoopPollData().timeout_usec == 0) {
    }
  }
  for (auto peer = impl.peers.begin(); peer != impl.peers.end();) {
    int done = 0;
    uint64_t until = UINT64_MAX;
    if (peer->closing.empty() &&
        (is_ready(peer->fd) || (sd_bus_get_timeout(peer->bus, &until) > 0 && Due(until, now_us)))) {
      done = impl.Read(*peer, now_us);
    }
    if (peer->partial_since_us != 0 && Due(impl.Deadline(*peer), now_us)) {
      impl.Close(*peer, "its client left a message unfinished for more than " +
                            Thousands(static_cast<std::size_t>(impl.limits.message_ms)) + " ms");
    }
    if (!peer->closing.empty()) {
      if (impl.note) impl.note("closed the direct connection of " + peer->client + ": " + peer->closing);
      impl.Drop(peer++);
    } else if (done < 0 || sd_bus_is_open(peer->bus) <= 0) {
      // A peer that hung up is gone; the server serves on.
      impl.Drop(peer++);
    } else {
      ++peer;
    }
  }
}

void DbusServer::Run() {
  while (true) {
    const PollData data = GetPollData();
    pollfd fds[2] = {{data.fd, data.events, 0}, {impl_->stop_fd, POLLIN, 0}};
    if (::poll(fds, 2, data.timeout_ms) < 0 && errno != EINTR) throw std::runtime_error("poll failed");
    if (fds[1].revents != 0) {
      uint64_t count = 0;
      [[maybe_unused]] const auto taken = ::read(impl_->stop_fd, &count, sizeof count);
      return;
    }
    ProcessPending();
  }
}

void DbusServer::Stop() {
  const uint64_t one = 1;
  [[maybe_unused]] const auto given = ::write(impl_->stop_fd, &one, sizeof one);
}

}  // namespace dde
