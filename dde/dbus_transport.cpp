#include "dde/dbus_transport.hpp"

#include <utility>

#include "dde/dbus_client.hpp"
#include "dde/dbus_names.hpp"
#include "dde/link_conversation.hpp"
#include "vbrt/error.hpp"

namespace dde {

DbusTransport::DbusTransport() : DbusTransport(std::string()) {}

DbusTransport::DbusTransport(std::string bus_address) : client_(std::make_shared<dbus::Client>()) {
  client_->address = std::move(bus_address);
}

DbusTransport::~DbusTransport() = default;

void DbusTransport::SetCallTimeout(std::chrono::microseconds timeout) { client_->timeout = timeout; }

void DbusTransport::SetDirect(bool allowed) { client_->direct_allowed = allowed; }

std::unique_ptr<Conversation> DbusTransport::Initiate(std::string_view application, std::string_view topic) {
  const auto bus_name = dbus::BusName(application);
  const auto path = dbus::ObjectPath(topic);
  if (!bus_name || !path || !client_->Connect()) vb::Raise(vb::err::DdeNoResponse);
  const auto server = client_->AwaitOwner(*bus_name, application);
  if (!server) vb::Raise(vb::err::DdeNoResponse);
  if (client_->direct_allowed) {
    if (auto link = dbus::DirectTo(*client_, *server); link && link->Open()) {
      bool lost = false;
      if (auto carrier = dbus::DirectCarrier(client_, link, *path, lost)) {
        return std::make_unique<LinkConversation>(std::move(carrier));
      }
      if (!lost) vb::Raise(vb::err::DdeNoResponse);
      // The connection failed on the way: the bus decides.
    }
  }
  auto carrier = dbus::BusCarrier(client_, *server, *path);
  if (!carrier) vb::Raise(vb::err::DdeNoResponse);
  return std::make_unique<LinkConversation>(std::move(carrier));
}

// The host calls this for every program it starts, and only then; a start-up that found no
// engine executable launched nothing, so its links find no name and fail at once.
void DbusTransport::ServerLaunched() {
  client_->start_deadline = std::chrono::steady_clock::now() + kServerStartWait;
}

void DbusTransport::OnAwait(std::function<void(std::string_view application)> observer) {
  client_->on_await = std::move(observer);
}

void DbusTransport::Pump() { client_->Drain(); }

}  // namespace dde
