// The client's names and owners: the bus, who owns an application's name (waiting for a
// launched server to take it), whether a server is still there, whether it has a topic.
#include <poll.h>

#include <algorithm>

#include "dde/dbus_client.hpp"
#include "dde/dbus_names.hpp"

namespace dde::dbus {
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
      if (tag.find("name=" + std::string(1, quote) + std::string(kTopicInterface) + quote) !=
          std::string::npos) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace

bool TopicAnswered(const std::string& error, const std::function<std::optional<std::string>()>& introspect) {
  if (NoTopic(error)) return false;
  if (!NoMethod(error)) return true;
  const auto xml = introspect();
  return xml && DeclaresTopic(*xml);
}

bool Client::Connect() {
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

// Blocks until a message may have arrived or `left` has passed.
void Client::Await(std::chrono::steady_clock::duration left) {
  const auto data = connection->getEventLoopPollData();
  int timeout_ms = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
  if (const int bus_ms = data.getPollTimeout(); bus_ms >= 0) timeout_ms = std::min(timeout_ms, bus_ms);
  pollfd fd{data.fd, data.events, 0};
  ::poll(&fd, 1, timeout_ms);
}

std::optional<std::string> Client::Owner(const std::string& bus_name) {
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

std::optional<std::string> Client::AwaitOwner(const std::string& bus_name, std::string_view application) {
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

bool Client::Alive(const std::string& unique_name) {
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

}  // namespace dde::dbus
