// A server's direct connection as a link carrier: the same calls and signals as on the bus,
// without the daemon between, through sd-bus (sdbus-c++ 1.2 makes no such connection).
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "dde/dbus_client.hpp"
#include "dde/dbus_names.hpp"

namespace dde::dbus {
namespace {

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

class Direct final : public LinkCarrier {
 public:
  Direct(std::shared_ptr<Client> client, std::shared_ptr<DirectLink> link, std::string path)
      : client_(std::move(client)), link_(std::move(link)), path_(std::move(path)) {}
  ~Direct() override { sd_bus_slot_unref(changes_); }
  Direct(const Direct&) = delete;
  Direct& operator=(const Direct&) = delete;

  // A call of Execute without the command (see TopicAnswered); null when the connection failed
  // on the way.
  std::optional<bool> HasTopic() {
    Message call;
    CallError error;
    int done = NewCall(call, kTopicInterface, kExecuteMethod);
    if (done >= 0) done = sd_bus_call(link_->Bus(), call.m, TimeoutUs(), &error.e, nullptr);
    if (done >= 0) return true;
    if (!link_->Open()) return std::nullopt;
    if (done == -ETIMEDOUT) return false;
    // Our servers answer no introspection over this connection.
    return TopicAnswered(error.e.name ? error.e.name : "", [] { return std::optional<std::string>(); });
  }

  void Listen(ItemChangeSink sink) override { sink_ = std::move(sink); }

  bool Carries(std::string_view item) const override { return PropertyName(item).has_value(); }

  std::optional<CarrierFailure> Execute(const std::string& command) override {
    Message call;
    CallError error;
    int done = NewCall(call, kTopicInterface, kExecuteMethod);
    if (done >= 0) done = sd_bus_message_append(call.m, "s", command.c_str());
    if (done >= 0) done = sd_bus_call(link_->Bus(), call.m, TimeoutUs(), &error.e, nullptr);
    if (done < 0) return FailureOf(done, error);
    return std::nullopt;
  }

  CarriedValue Request(std::string_view item) override {
    Message call, reply;
    CallError error;
    int done = NewCall(call, kPropertiesInterface, "Get");
    if (done >= 0) {
      done = sd_bus_message_append(call.m, "ss", std::string(kItemsInterface).c_str(),
                                   std::string(item).c_str());
    }
    if (done >= 0) done = sd_bus_call(link_->Bus(), call.m, TimeoutUs(), &error.e, &reply.m);
    const char* text = nullptr;
    if (done >= 0) done = sd_bus_message_read(reply.m, "v", "s", &text);
    if (done < 0) return {FailureOf(done, error), {}};
    return {std::nullopt, text};
  }

  // One match for the topic's changes, whichever items are advised.
  std::optional<CarrierFailure> Advise(std::string_view) override {
    if (changes_ != nullptr) return std::nullopt;
    const int done = sd_bus_match_signal(link_->Bus(), &changes_, nullptr, path_.c_str(),
                                         std::string(kPropertiesInterface).c_str(),
                                         std::string(kPropertiesChanged).c_str(), &OnChanged, this);
    if (done < 0) return FailureOf(done, CallError());
    return std::nullopt;
  }

  // The server sent its item changes before its answer, on this one connection.
  void Settle() override {
    client_->Process(*link_);
    client_->Rethrow();
  }

  bool PeerAlive() override { return link_->Open(); }

 private:
  uint64_t TimeoutUs() const { return static_cast<uint64_t>(client_->timeout.count()); }

  // A call on the topic with nothing appended yet; negative when the connection is gone.
  int NewCall(Message& call, std::string_view interface, std::string_view member) const {
    return sd_bus_message_new_method_call(link_->Bus(), &call.m, nullptr, path_.c_str(),
                                          std::string(interface).c_str(), std::string(member).c_str());
  }

  // Over the direct connection a server that is gone hung up.
  CarrierFailure FailureOf(int result, const CallError& error) const {
    if (!link_->Open() || result == -ECONNRESET || result == -ENOTCONN || result == -EPIPE) {
      return CarrierFailure::kPeerGone;
    }
    if (result == -ETIMEDOUT || error.Is(SD_BUS_ERROR_TIMEOUT) || error.Is(SD_BUS_ERROR_NO_REPLY)) {
      return CarrierFailure::kTimedOut;
    }
    return CarrierFailure::kRefused;
  }

  static int OnChanged(sd_bus_message* signal, void* self, sd_bus_error*) {
    auto& carrier = *static_cast<Direct*>(self);
    // Nothing may unwind through the library's C frames.
    try {
      carrier.Changed(signal);
    } catch (...) {
      carrier.client_->callback_failure = std::current_exception();
    }
    return 0;
  }

  // In the order sent, as on the bus.
  void Changed(sd_bus_message* signal) {
    const char* interface = nullptr;
    if (sd_bus_message_read(signal, "s", &interface) < 0 || interface != kItemsInterface ||
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
      client_->Deliver(sink_, property, text);
      if (client_->callback_failure) return;
    }
  }

  std::shared_ptr<Client> client_;
  std::shared_ptr<DirectLink> link_;
  std::string path_;
  ItemChangeSink sink_;
  sd_bus_slot* changes_ = nullptr;
};

std::shared_ptr<DirectLink> OpenDirect(Client& client, const std::string& server) {
  sdbus::UnixFd ours;
  try {
    auto root = sdbus::createProxy(*client.connection, server, std::string(kDirectPath));
    auto call = root->createMethodCall(std::string(kDirectInterface), std::string(kConnectMethod));
    auto reply = root->callMethod(call, client.timeout);
    reply >> ours;
  } catch (const sdbus::Error&) {
    return nullptr;
  }
  sd_bus* made = nullptr;
  if (sd_bus_new(&made) < 0) return nullptr;
  auto link = std::make_shared<DirectLink>(made);
  const int fd = ours.release();
  // From here the connection owns the descriptor.
  if (sd_bus_set_fd(link->Bus(), fd, fd) < 0) {
    ::close(fd);
    return nullptr;
  }
  if (sd_bus_start(link->Bus()) < 0) return nullptr;
  return link;
}

}  // namespace

std::shared_ptr<DirectLink> DirectTo(Client& client, const std::string& server) {
  auto [known, added] = client.directs.try_emplace(server);
  if (added) known->second = OpenDirect(client, server);
  return known->second;
}

std::unique_ptr<LinkCarrier> DirectCarrier(std::shared_ptr<Client> client, std::shared_ptr<DirectLink> link,
                                           const std::string& path, bool& lost) {
  auto carrier = std::make_unique<Direct>(std::move(client), std::move(link), path);
  const auto there = carrier->HasTopic();
  lost = !there;
  if (there != true) return nullptr;
  return carrier;
}

}  // namespace dde::dbus
