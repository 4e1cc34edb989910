// The bus side of the server: the application's name, its topics as objects with their items,
// the clients that come and go, and the changes of items told over the bus or a client's direct
// connection (dbus_server_direct.cpp); the poll loop is dbus_server_pump.cpp.
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <utility>

#include "dde/dbus_names.hpp"
#include "dde/dbus_server_impl.hpp"

namespace dde {

namespace {

std::string Required(std::optional<std::string> name, std::string_view what, std::string_view dde_name) {
  if (!name)
    throw std::invalid_argument("D-Bus cannot carry the DDE " + std::string(what) + " name \"" +
                                std::string(dde_name) + '"');
  return std::move(*name);
}

}  // namespace

void DbusServer::Impl::Reply(Pending& call, const ExecuteAnswer& answer) {
  if (call.message == nullptr) {
    try {
      if (answer.kind == ExecuteAnswer::Kind::kTaken) {
        call.call.createReply().send();
      } else {
        call.call.createErrorReply(sdbus::Error(dbus::ErrorName(answer), answer.why)).send();
      }
    } catch (const sdbus::Error&) {
      // A client that left hears nothing; a lost bus shows in the loop.
    }
    return;
  }
  ReplyDirect(call, answer);
}

void DbusServer::Impl::RunNext() {
  if (pending.empty() || running) return;
  Pending call = std::move(pending.front());
  pending.pop_front();
  running = call.client;
  // AnswerExecute lets nothing of the handler's through.
  const ExecuteAnswer answer = AnswerExecute(*call.topic, call.command, call.client);
  running.reset();
  Reply(call, answer);
}

void DbusServer::Impl::RunBeside() {
  // A client's commands run in the order it sent them: one waiting keeps its later ones waiting.
  std::set<ClientId, std::less<>> waiting;
  if (running) waiting.insert(*running);
  for (auto it = pending.begin(); it != pending.end();) {
    std::optional<ExecuteAnswer> answer;
    if (!waiting.contains(it->client)) answer = AnswerBeside(*it->topic, it->command, it->client);
    if (!answer) {
      waiting.insert(it->client);
      ++it;
      continue;
    }
    Pending call = std::move(*it);
    it = pending.erase(it);
    Reply(call, *answer);
  }
}

void DbusServer::Impl::ClearPending() {
  for (Pending& call : pending) {
    if (call.message != nullptr) sd_bus_message_unref(std::exchange(call.message, nullptr));
  }
  pending.clear();
}

DbusServer::Impl::Peer* DbusServer::Impl::FindPeer(uint64_t id) {
  for (Peer& peer : peers) {
    if (peer.id == id) return peer.closing.empty() ? &peer : nullptr;
  }
  return nullptr;
}

void DbusServer::Impl::Publish(ServerTopic& topic, const std::string& path) {
  Published published{&topic, {}, sdbus::createObject(*connection, path)};
  ServerTopic* target = &topic;
  published.object->registerMethod(std::string(dbus::kTopicInterface), std::string(dbus::kExecuteMethod), "s",
                                   {"command"}, "", {}, [this, target](sdbus::MethodCall call) {
                                     Pending taken;
                                     taken.topic = target;
                                     call >> taken.command;
                                     taken.client = call.getSender();
                                     taken.call = std::move(call);
                                     pending.push_back(std::move(taken));
                                   });
  for (const ServerItem& item : topic.Items()) {
    std::string property = Required(dbus::PropertyName(item.name), "item", item.name);
    std::string name = item.name;
    // Each caller reads its own value.
    published.object->registerProperty(std::string(dbus::kItemsInterface), property, "s",
                                       [this, target, name](sdbus::PropertyGetReply& reply) {
                                         reply << ItemValueFor(*target, name, asking);
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

const char* dbus::ErrorName(const ExecuteAnswer& answer) {
  return (answer.kind == ExecuteAnswer::Kind::kFailed ? kFailedError : kRefusedError).data();
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
    throw std::runtime_error("cannot reach the D-Bus " +
                             (bus_address.empty() ? std::string("session bus") : "bus at " + bus_address) +
                             ": " + e.getMessage());
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
  // Their messages need their connections.
  impl_->ClearPending();
  // The objects need their connection; closing it releases the name.
  impl_->topics.clear();
  impl_->root.reset();
  impl_->departures = {};
  impl_->property_calls = {};
  impl_->connection.reset();
}

const std::string& DbusServer::BusName() const { return impl_->bus_name; }

}  // namespace dde
