#include "dde/dbus_transport.hpp"

#include <poll.h>
#include <sdbus-c++/sdbus-c++.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <utility>

#include "dde/dbus_names.hpp"
#include "vbrt/error.hpp"

namespace dde {
namespace {

constexpr std::string_view kDaemonName = "org.freedesktop.DBus";
constexpr std::string_view kDaemonPath = "/org/freedesktop/DBus";

// Answers to a call that say the server has no such topic, or gave no answer at all.
bool NoTopic(const std::string& error) {
  for (std::string_view name :
       {"ServiceUnknown", "NameHasNoOwner", "UnknownObject", "Timeout", "NoReply", "Disconnected"}) {
    if (error == "org.freedesktop.DBus.Error." + std::string(name)) return true;
  }
  return false;
}

bool NoMethod(const std::string& error) {
  return error == "org.freedesktop.DBus.Error.UnknownMethod" ||
         error == "org.freedesktop.DBus.Error.UnknownInterface";
}

// Whether introspection data declares the topic interface on the object itself.
bool DeclaresTopic(const std::string& xml) {
  for (auto at = xml.find("<interface"); at != std::string::npos; at = xml.find("<interface", at + 1)) {
    const std::string tag = xml.substr(at, xml.find('>', at) - at);
    for (char quote : {'"', '\''}) {
      if (tag.find("name=" + std::string(1, quote) + std::string(dbus::kTopicInterface) + quote) !=
          std::string::npos) {
        return true;
      }
    }
  }
  return false;
}

// One sd-bus message, released with its owner.
struct Message {
  sd_bus_message* m = nullptr;
  Message() = default;
  Message(const Message&) = delete;
  Message& operator=(const Message&) = delete;
  ~Message() { sd_bus_message_unref(m); }
};

// An error a call filled in, released with its owner.
struct CallError {
  sd_bus_error e = SD_BUS_ERROR_NULL;
  CallError() = default;
  CallError(const CallError&) = delete;
  CallError& operator=(const CallError&) = delete;
  ~CallError() { sd_bus_error_free(&e); }
  bool Is(const char* name) const { return sd_bus_error_has_name(&e, name) > 0; }
};

// A direct connection to one server, shared by the conversations with it; closed means the
// server has quit, as nothing else closes it.
struct DirectLink {
  sd_bus* bus = nullptr;
  DirectLink() = default;
  DirectLink(const DirectLink&) = delete;
  DirectLink& operator=(const DirectLink&) = delete;
  // Not flushed: a server that stopped reading must not hold us up.
  ~DirectLink() { sd_bus_close_unref(bus); }
  bool Open() const { return sd_bus_is_open(bus) > 0; }

  // A call on `path` with nothing appended yet; negative when the connection is gone.
  int NewCall(Message& call, const std::string& path, std::string_view interface,
              std::string_view member) const {
    return sd_bus_message_new_method_call(bus, &call.m, nullptr, path.c_str(), std::string(interface).c_str(),
                                          std::string(member).c_str());
  }

  // VB's number for a failed call: over the direct connection a server that is gone hung up.
  int NumberFor(int result, const CallError& error) const {
    if (!Open() || result == -ECONNRESET || result == -ENOTCONN || result == -EPIPE) {
      return vb::err::ForeignApplicationQuit;
    }
    if (result == -ETIMEDOUT || error.Is(SD_BUS_ERROR_TIMEOUT) || error.Is(SD_BUS_ERROR_NO_REPLY)) {
      return vb::err::DdeTimeout;
    }
    return vb::err::DdeRefused;
  }
};

// The property an item is published as; an item no property can name is refused.
std::string Property(std::string_view item) {
  auto property = dbus::PropertyName(item);
  if (!property) vb::Raise(vb::err::DdeRefused);
  return std::move(*property);
}

}  // namespace

struct DbusTransport::Bus {
  std::string address;  // empty: the session bus
  std::chrono::microseconds timeout{0};
  // Until when a launched server may still be taking its name; in the past while nothing was
  // launched.
  std::chrono::steady_clock::time_point start_deadline{};
  std::function<void(std::string_view)> on_await;
  std::unique_ptr<sdbus::IConnection> connection;
  std::unique_ptr<sdbus::IProxy> daemon;
  // A callback's exception, carried past the bus library's C frames to whoever dispatched.
  std::exception_ptr callback_failure;
  bool direct_allowed = true;
  // Each server met (its unique name) with its direct connection, null where it offers none.
  std::map<std::string, std::shared_ptr<DirectLink>, std::less<>> directs;

  uint64_t TimeoutUs() const { return static_cast<uint64_t>(timeout.count()); }

  bool Connect() {
    if (connection) return true;
    try {
      // A bus at an explicit address that refuses us costs a small leak inside sdbus-c++ 1.2;
      // only tests and benchmarks connect that way, to buses that are there.
      auto made = address.empty() ? sdbus::createSessionBusConnection()
                                  : sdbus::createSessionBusConnectionWithAddress(address);
      daemon = sdbus::createProxy(*made, std::string(kDaemonName), std::string(kDaemonPath));
      connection = std::move(made);
    } catch (const sdbus::Error&) {
      daemon.reset();
      return false;
    }
    return true;
  }

  // Delivers whatever has come on the bus and every direct connection. One poll of them all asks
  // whether anything came, where a read of each would cost a system call per connection even
  // when, as after most calls, nothing has.
  void Drain() {
    if (!connection) return;
    std::vector<pollfd> fds;
    std::vector<DirectLink*> links;  // beside fds; null for the bus
    while (!callback_failure) {
      fds.clear();
      links.clear();
      bool bus_queued = false;
      try {
        const sdbus::IConnection::PollData bus_data = connection->getEventLoopPollData();
        fds.push_back({bus_data.fd, bus_data.events, 0});
        links.push_back(nullptr);
        bus_queued = bus_data.timeout_usec == 0;
      } catch (const sdbus::Error&) {
        // The bus is lost; the direct connections may still be there.
      }
      bool queued = bus_queued;
      // A callback may initiate, which adds to the map but never removes from it.
      for (auto& [server, link] : directs) {
        if (!link || !link->Open()) continue;
        const int fd = sd_bus_get_fd(link->bus), events = sd_bus_get_events(link->bus);
        if (fd < 0 || events < 0) continue;
        fds.push_back({fd, static_cast<short>(events), 0});
        links.push_back(link.get());
        queued = queued || Queued(*link);
      }
      const int ready = ::poll(fds.data(), fds.size(), 0);
      if (ready <= 0 && !queued) break;
      // A connection that is ready yet does nothing (one that hung up) must not keep us here.
      bool progressed = false;
      for (std::size_t i = 0; i < fds.size() && !callback_failure; ++i) {
        if (links[i] == nullptr) {
          if (fds[i].revents != 0 || bus_queued) progressed = ProcessBus() || progressed;
        } else if (fds[i].revents != 0 || Queued(*links[i])) {
          progressed = (links[i]->Open() && sd_bus_process(links[i]->bus, nullptr) > 0) || progressed;
          Process(*links[i]);
        }
      }
      if (!progressed) break;
    }
    Rethrow();
  }

  // One step of the bus connection, and whatever it had queued besides; whether it did anything.
  bool ProcessBus() {
    try {
      if (!connection->processPendingRequest()) return false;
      while (!callback_failure && connection->getEventLoopPollData().timeout_usec == 0 &&
             connection->processPendingRequest()) {
      }
      return true;
    } catch (const sdbus::Error&) {
      // The connection is lost; conversations learn it at their next call.
      return false;
    }
  }

  // Whether the connection holds messages already read: they are delivered without a read.
  static bool Queued(const DirectLink& link) {
    uint64_t until = 0;
    return sd_bus_get_timeout(link.bus, &until) > 0 && until == 0;
  }

  // Delivers what one direct connection has already read (after a call, the item changes the
  // server sent before its answer); what is still in the socket waits for the next Drain. A lost
  // connection shows at its next call.
  void Process(DirectLink& link) {
    while (!callback_failure && link.Open() && Queued(link) && sd_bus_process(link.bus, nullptr) > 0) {
    }
  }

  void Rethrow() {
    if (callback_failure) std::rethrow_exception(std::exchange(callback_failure, nullptr));
  }

  void Deliver(const ItemCallback& advised, const std::string& text) {
    // A copy: the callback may advise the item anew and so replace the stored one.
    ItemCallback on_change = advised;
    try {
      on_change(text);
    } catch (...) {
      callback_failure = std::current_exception();
    }
  }

  // The server's direct connection, made at the first initiate with it; null when it offers none
  // or the connection cannot be made, and then the bus serves it from there on.
  std::shared_ptr<DirectLink> DirectTo(const std::string& server) {
    auto [known, added] = directs.try_emplace(server);
    if (added) known->second = OpenDirect(server);
    return known->second;
  }

  std::shared_ptr<DirectLink> OpenDirect(const std::string& server) {
    sdbus::UnixFd ours;
    try {
      auto root = sdbus::createProxy(*connection, server, std::string(dbus::kDirectPath));
      auto call =
          root->createMethodCall(std::string(dbus::kDirectInterface), std::string(dbus::kConnectMethod));
      auto reply = root->callMethod(call, timeout);
      reply >> ours;
    } catch (const sdbus::Error&) {
      return nullptr;
    }
    auto link = std::make_shared<DirectLink>();
    if (sd_bus_new(&link->bus) < 0) return nullptr;
    const int fd = ours.release();
    // From here the connection owns the descriptor.
    if (sd_bus_set_fd(link->bus, fd, fd) < 0) {
      ::close(fd);
      return nullptr;
    }
    if (sd_bus_start(link->bus) < 0) return nullptr;
    return link;
  }

  // Blocks until a message may have arrived or `left` has passed.
  void Await(std::chrono::steady_clock::duration left) {
    const auto data = connection->getEventLoopPollData();
    int timeout_ms = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
    if (const int bus_ms = data.getPollTimeout(); bus_ms >= 0) timeout_ms = std::min(timeout_ms, bus_ms);
    pollfd fd{data.fd, data.events, 0};
    ::poll(&fd, 1, timeout_ms);
  }

  std::optional<std::string> Owner(const std::string& bus_name) {
    try {
      auto call = daemon->createMethodCall(std::string(kDaemonName), "GetNameOwner");
      call << bus_name;
      auto reply = daemon->callMethod(call);
      std::string owner;
      reply >> owner;
      return owner;
    } catch (const sdbus::Error&) {
      return std::nullopt;
    }
  }

  std::optional<std::string> AwaitOwner(const std::string& bus_name, std::string_view application) {
    if (auto owner = Owner(bus_name)) return owner;
    const auto deadline = start_deadline;
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    if (on_await) on_await(application);
    std::optional<std::string> appeared;
    sdbus::Slot watch;
    try {
      watch = connection->addMatch(
          "type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',"
          "interface='org.freedesktop.DBus',member='NameOwnerChanged',arg0='" +
              bus_name + "'",
          [&appeared](sdbus::Message& message) {
            std::string name, old_owner, new_owner;
            try {
              message >> name >> old_owner >> new_owner;
            } catch (const sdbus::Error&) {
              return;
            }
            if (!new_owner.empty()) appeared = new_owner;
          });
    } catch (const sdbus::Error&) {
      return std::nullopt;
    }
    // The name may have come between the first look and the watch.
    if (auto owner = Owner(bus_name)) return owner;
    while (true) {
      Drain();
      if (appeared) return appeared;
      const auto left = deadline - std::chrono::steady_clock::now();
      if (left <= std::chrono::steady_clock::duration::zero()) return std::nullopt;
      Await(left);
    }
  }

  bool Alive(const std::string& unique_name) {
    try {
      auto call = daemon->createMethodCall(std::string(kDaemonName), "NameHasOwner");
      call << unique_name;
      auto reply = daemon->callMethod(call);
      bool has_owner = false;
      reply >> has_owner;
      return has_owner;
    } catch (const sdbus::Error&) {
      return false;
    }
  }

  bool HasTopic(sdbus::IProxy& topic) {
    std::string error;
    try {
      auto call =
          topic.createMethodCall(std::string(dbus::kTopicInterface), std::string(dbus::kExecuteMethod));
      topic.callMethod(call, timeout);
      return true;
    } catch (const sdbus::Error& e) {
      error = e.getName();
    }
    if (NoTopic(error)) return false;
    if (!NoMethod(error)) return true;
    try {
      auto call = topic.createMethodCall("org.freedesktop.DBus.Introspectable", "Introspect");
      auto reply = topic.callMethod(call, timeout);
      std::string xml;
      reply >> xml;
      return DeclaresTopic(xml);
    } catch (const sdbus::Error&) {
      return false;
    }
  }

  // VB's number for a failed call to `server`: whatever the error says, a server that is gone
  // has quit (291); one still there either ran out of time (286) or would not do it (285).
  int NumberFor(const sdbus::Error& error, const std::string& server) {
    if (!Alive(server)) return vb::err::ForeignApplicationQuit;
    const std::string& name = error.getName();
    if (name == "org.freedesktop.DBus.Error.Timeout" || name == "org.freedesktop.DBus.Error.NoReply") {
      return vb::err::DdeTimeout;
    }
    return vb::err::DdeRefused;
  }
};

class DbusTransport::DbusConversation final : public Conversation {
 public:
  DbusConversation(std::shared_ptr<Bus> bus, std::string server, std::unique_ptr<sdbus::IProxy> topic)
      : bus_(std::move(bus)), server_(std::move(server)), topic_(std::move(topic)) {}

  void Execute(std::string_view command) override {
    // The bus carries strings up to their first NUL: the server would run a cut command, one that
    // may name another file. Refused as a server refuses, before anything is sent.
    if (command.find('\0') != std::string_view::npos) vb::Raise(vb::err::DdeRefused);
    std::optional<int> failure;
    try {
      auto call =
          topic_->createMethodCall(std::string(dbus::kTopicInterface), std::string(dbus::kExecuteMethod));
      call << std::string(command);
      topic_->callMethod(call, bus_->timeout);
    } catch (const sdbus::Error& e) {
      failure = bus_->NumberFor(e, server_);
    }
    // The server sent its item changes before its answer, so they are all here now.
    bus_->Drain();
    if (failure) vb::Raise(*failure);
  }

  std::string Request(std::string_view item) override { return Get(Property(item)); }

  std::string Advise(std::string_view item, ItemCallback on_change) override {
    std::string property = Property(item);
    Subscribe();
    // Subscribed first: a change after the value was read is not lost.
    std::string value = Get(property);
    advised_.insert_or_assign(std::move(property), std::move(on_change));
    return value;
  }

 private:
  std::string Get(const std::string& property) {
    try {
      auto call = topic_->createMethodCall(std::string(dbus::kPropertiesInterface), "Get");
      call << std::string(dbus::kItemsInterface) << property;
      auto reply = topic_->callMethod(call, bus_->timeout);
      sdbus::Variant value;
      reply >> value;
      return value.get<std::string>();
    } catch (const sdbus::Error& e) {
      vb::Raise(bus_->NumberFor(e, server_));
    }
  }

  void Subscribe() {
    if (subscribed_) return;
    try {
      topic_->registerSignalHandler(std::string(dbus::kPropertiesInterface),
                                    std::string(dbus::kPropertiesChanged),
                                    [this](sdbus::Signal& signal) { Changed(signal); });
      topic_->finishRegistration();
    } catch (const sdbus::Error& e) {
      vb::Raise(bus_->NumberFor(e, server_));
    }
    subscribed_ = true;
  }

  // Read by hand rather than into a map of variants: in the order sent, and without a message
  // made for every value.
  void Changed(sdbus::Signal& signal) {
    try {
      std::string interface;
      signal >> interface;
      if (interface != dbus::kItemsInterface || !signal.enterContainer("{sv}")) return;
      while (signal.enterDictEntry("sv")) {
        std::string property;
        signal >> property;
        std::string type, contents;
        signal.peekType(type, contents);
        if (contents != "s") return;
        std::string text;
        signal.enterVariant("s") >> text;
        signal.exitVariant().exitDictEntry();
        if (auto advised = advised_.find(property); advised != advised_.end())
          bus_->Deliver(advised->second, text);
        if (bus_->callback_failure) return;
      }
    } catch (const sdbus::Error&) {
      // Not a change as our servers send them.
    }
  }

  std::shared_ptr<Bus> bus_;
  std::string server_;  // the unique name of the connection that owned the name
  std::map<std::string, ItemCallback, std::less<>> advised_;
  bool subscribed_ = false;
  // Last, so it goes first: its signal handler uses advised_.
  std::unique_ptr<sdbus::IProxy> topic_;
};

// A conversation over the server's direct connection: the same calls and signals as on the bus,
// without the daemon between.
class DbusTransport::DirectConversation final : public Conversation {
 public:
  DirectConversation(std::shared_ptr<Bus> bus, std::shared_ptr<DirectLink> link, std::string path)
      : bus_(std::move(bus)), link_(std::move(link)), path_(std::move(path)) {}
  ~DirectConversation() override { sd_bus_slot_unref(changes_); }
  DirectConversation(const DirectConversation&) = delete;
  DirectConversation& operator=(const DirectConversation&) = delete;

  void Execute(std::string_view command) override {
    // As on the bus: a command cut at a NUL would name another file.
    if (command.find('\0') != std::string_view::npos) vb::Raise(vb::err::DdeRefused);
    Message call;
    CallError error;
    int done = link_->NewCall(call, path_, dbus::kTopicInterface, dbus::kExecuteMethod);
    if (done >= 0) done = sd_bus_message_append(call.m, "s", std::string(command).c_str());
    if (done >= 0) done = sd_bus_call(link_->bus, call.m, bus_->TimeoutUs(), &error.e, nullptr);
    const std::optional<int> failure = done < 0 ? std::optional(link_->NumberFor(done, error)) : std::nullopt;
    // The server sent its item changes before its answer, on this one connection.
    bus_->Process(*link_);
    bus_->Rethrow();
    if (failure) vb::Raise(*failure);
  }

  std::string Request(std::string_view item) override { return Get(Property(item)); }

  std::string Advise(std::string_view item, ItemCallback on_change) override {
    std::string property = Property(item);
    if (changes_ == nullptr) {
      const int done = sd_bus_match_signal(link_->bus, &changes_, nullptr, path_.c_str(),
                                           std::string(dbus::kPropertiesInterface).c_str(),
                                           std::string(dbus::kPropertiesChanged).c_str(), &OnChanged, this);
      if (done < 0) vb::Raise(link_->NumberFor(done, CallError()));
    }
    // Subscribed first: a change after the value was read is not lost.
    std::string value = Get(property);
    advised_.insert_or_assign(std::move(property), std::move(on_change));
    return value;
  }

  // Whether the server has the topic: its Execute answers a call without the command, in any way
  // but "no such object" or "no such method". Null when the connection failed on the way.
  static std::optional<bool> HasTopic(const Bus& bus, const DirectLink& link, const std::string& path) {
    Message call;
    CallError error;
    int done = link.NewCall(call, path, dbus::kTopicInterface, dbus::kExecuteMethod);
    if (done >= 0) done = sd_bus_call(link.bus, call.m, bus.TimeoutUs(), &error.e, nullptr);
    if (done >= 0) return true;
    if (!link.Open()) return std::nullopt;
    return !(error.Is(SD_BUS_ERROR_UNKNOWN_OBJECT) || error.Is(SD_BUS_ERROR_UNKNOWN_METHOD) ||
             error.Is(SD_BUS_ERROR_UNKNOWN_INTERFACE) || done == -ETIMEDOUT);
  }

 private:
  std::string Get(const std::string& property) {
    Message call, reply;
    CallError error;
    int done = link_->NewCall(call, path_, dbus::kPropertiesInterface, "Get");
    if (done >= 0) {
      done =
          sd_bus_message_append(call.m, "ss", std::string(dbus::kItemsInterface).c_str(), property.c_str());
    }
    if (done >= 0) done = sd_bus_call(link_->bus, call.m, bus_->TimeoutUs(), &error.e, &reply.m);
    const char* text = nullptr;
    if (done >= 0) done = sd_bus_message_read(reply.m, "v", "s", &text);
    if (done < 0) vb::Raise(link_->NumberFor(done, error));
    return text;
  }

  static int OnChanged(sd_bus_message* signal, void* self, sd_bus_error*) {
    auto& conversation = *static_cast<DirectConversation*>(self);
    // Nothing may unwind through the library's C frames.
    try {
      conversation.Changed(signal);
    } catch (...) {
      conversation.bus_->callback_failure = std::current_exception();
    }
    return 0;
  }

  // In the order sent, as on the bus.
  void Changed(sd_bus_message* signal) {
    const char* interface = nullptr;
    if (sd_bus_message_read(signal, "s", &interface) < 0 || interface != dbus::kItemsInterface ||
        sd_bus_message_enter_container(signal, 'a', "{sv}") <= 0) {
      return;
    }
    while (sd_bus_message_enter_container(signal, 'e', "sv") > 0) {
      const char* property = nullptr;
      const char* text = nullptr;
      if (sd_bus_message_read(signal, "s", &property) < 0 ||
          sd_bus_message_read(signal, "v", "s", &text) < 0 || sd_bus_message_exit_container(signal) < 0) {
        return;
      }
      if (auto advised = advised_.find(std::string_view(property)); advised != advised_.end()) {
        bus_->Deliver(advised->second, text);
      }
      if (bus_->callback_failure) return;
    }
  }

  std::shared_ptr<Bus> bus_;
  std::shared_ptr<DirectLink> link_;
  std::string path_;
  std::map<std::string, ItemCallback, std::less<>> advised_;
  sd_bus_slot* changes_ = nullptr;
};

DbusTransport::DbusTransport() : DbusTransport(std::string()) {}

DbusTransport::DbusTransport(std::string bus_address) : bus_(std::make_shared<Bus>()) {
  bus_->address = std::move(bus_address);
}

DbusTransport::~DbusTransport() = default;

void DbusTransport::SetCallTimeout(std::chrono::microseconds timeout) { bus_->timeout = timeout; }

void DbusTransport::SetDirect(bool allowed) { bus_->direct_allowed = allowed; }

std::unique_ptr<Conversation> DbusTransport::Initiate(std::string_view application, std::string_view topic) {
  const auto bus_name = dbus::BusName(application);
  const auto path = dbus::ObjectPath(topic);
  if (!bus_name || !path || !bus_->Connect()) vb::Raise(vb::err::DdeNoResponse);
  const auto server = bus_->AwaitOwner(*bus_name, application);
  if (!server) vb::Raise(vb::err::DdeNoResponse);
  if (bus_->direct_allowed) {
    if (auto link = bus_->DirectTo(*server); link && link->Open()) {
      const auto there = DirectConversation::HasTopic(*bus_, *link, *path);
      if (there == true) return std::make_unique<DirectConversation>(bus_, link, *path);
      if (there == false) vb::Raise(vb::err::DdeNoResponse);
      // The connection failed on the way: the bus decides.
    }
  }
  std::unique_ptr<sdbus::IProxy> proxy;
  try {
    proxy = sdbus::createProxy(*bus_->connection, *server, *path);
  } catch (const sdbus::Error&) {
    vb::Raise(vb::err::DdeNoResponse);
  }
  if (!bus_->HasTopic(*proxy)) vb::Raise(vb::err::DdeNoResponse);
  return std::make_unique<DbusConversation>(bus_, *server, std::move(proxy));
}

// The host calls this for every program it starts, and only then; a start-up that found no
// engine executable launched nothing, so its links find no name and fail at once.
void DbusTransport::ServerLaunched() {
  bus_->start_deadline = std::chrono::steady_clock::now() + kServerStartWait;
}

void DbusTransport::OnAwait(std::function<void(std::string_view application)> observer) {
  bus_->on_await = std::move(observer);
}

void DbusTransport::Pump() { bus_->Drain(); }

}  // namespace dde
