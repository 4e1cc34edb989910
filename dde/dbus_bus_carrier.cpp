// The bus as a link carrier: a conversation's calls and its item changes go through the bus
// daemon to the connection that owned the application's name at the initiate.
#include <utility>

#include "dde/dbus_client.hpp"
#include "dde/dbus_names.hpp"

namespace dde::dbus {
namespace {

CarrierFailure FailureOf(const sdbus::Error& error) {
  const std::string& name = error.getName();
  if (name == "org.freedesktop.DBus.Error.Timeout" || name == "org.freedesktop.DBus.Error.NoReply") {
    return CarrierFailure::kTimedOut;
  }
  return CarrierFailure::kRefused;
}

class OnBus final : public LinkCarrier {
 public:
  OnBus(std::shared_ptr<Client> client, std::string server, std::unique_ptr<sdbus::IProxy> topic)
      : client_(std::move(client)), server_(std::move(server)), topic_(std::move(topic)) {}

  // A call of Execute without the command; see TopicAnswered.
  bool HasTopic() {
    std::string error;
    try {
      auto call = topic_->createMethodCall(std::string(kTopicInterface), std::string(kExecuteMethod));
      topic_->callMethod(call, client_->timeout);
    } catch (const sdbus::Error& e) {
      error = e.getName();
    }
    return TopicAnswered(error, [this]() -> std::optional<std::string> {
      try {
        auto call = topic_->createMethodCall("org.freedesktop.DBus.Introspectable", "Introspect");
        auto reply = topic_->callMethod(call, client_->timeout);
        std::string xml;
        reply >> xml;
        return xml;
      } catch (const sdbus::Error&) {
        return std::nullopt;
      }
    });
  }

  void Listen(ItemChangeSink sink) override { sink_ = std::move(sink); }

  bool Carries(std::string_view item) const override { return PropertyName(item).has_value(); }

  std::optional<CarrierFailure> Execute(const std::string& command) override {
    try {
      auto call = topic_->createMethodCall(std::string(kTopicInterface), std::string(kExecuteMethod));
      call << command;
      topic_->callMethod(call, client_->timeout);
    } catch (const sdbus::Error& e) {
      return FailureOf(e);
    }
    return std::nullopt;
  }

  CarriedValue Request(std::string_view item) override {
    try {
      auto call = topic_->createMethodCall(std::string(kPropertiesInterface), "Get");
      call << std::string(kItemsInterface) << std::string(item);
      auto reply = topic_->callMethod(call, client_->timeout);
      sdbus::Variant value;
      reply >> value;
      return {std::nullopt, value.get<std::string>()};
    } catch (const sdbus::Error& e) {
      return {FailureOf(e), {}};
    }
  }

  // One handler for the topic's changes, whichever items are advised.
  std::optional<CarrierFailure> Advise(std::string_view) override {
    if (subscribed_) return std::nullopt;
    try {
      topic_->registerSignalHandler(std::string(kPropertiesInterface), std::string(kPropertiesChanged),
                                    [this](sdbus::Signal& signal) { Changed(signal); });
      topic_->finishRegistration();
    } catch (const sdbus::Error& e) {
      return FailureOf(e);
    }
    subscribed_ = true;
    return std::nullopt;
  }

  // Changes come on the bus connection, which any conversation's call may have read.
  void Settle() override { client_->Drain(); }

  bool PeerAlive() override { return client_->Alive(server_); }

 private:
  // Read by hand rather than into a map of variants: in the order sent, and without a message
  // made for every value.
  void Changed(sdbus::Signal& signal) {
    try {
      std::string interface;
      signal >> interface;
      if (interface != kItemsInterface || !signal.enterContainer("{sv}")) return;
      while (signal.enterDictEntry("sv")) {
        std::string property;
        signal >> property;
        std::string type, contents;
        signal.peekType(type, contents);
        if (contents != "s") return;
        std::string text;
        signal.enterVariant("s") >> text;
        signal.exitVariant().exitDictEntry();
        client_->Deliver(sink_, property, text);
        if (client_->callback_failure) return;
      }
    } catch (const sdbus::Error&) {
      // Not a change as our servers send them.
    }
  }

  std::shared_ptr<Client> client_;
  std::string server_;  // the unique name of the connection that owned the name
  ItemChangeSink sink_;
  bool subscribed_ = false;
  // Last, so it goes first: its signal handler uses sink_.
  std::unique_ptr<sdbus::IProxy> topic_;
};

}  // namespace

std::unique_ptr<LinkCarrier> BusCarrier(std::shared_ptr<Client> client, const std::string& server,
                                        const std::string& path) {
  std::unique_ptr<sdbus::IProxy> proxy;
  try {
    proxy = sdbus::createProxy(*client->connection, server, path);
  } catch (const sdbus::Error&) {
    return nullptr;
  }
  auto carrier = std::make_unique<OnBus>(std::move(client), server, std::move(proxy));
  if (!carrier->HasTopic()) return nullptr;
  return carrier;
}

}  // namespace dde::dbus
