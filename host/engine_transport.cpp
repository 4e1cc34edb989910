#include "host/engine_transport.hpp"

#include "dde/dbus_transport.hpp"

namespace vbhost {

dde::DbusTransport& EngineTransport::Dbus() {
  if (!dbus_) {
    dbus_ = bus_address_.empty() ? std::make_unique<dde::DbusTransport>()
                                 : std::make_unique<dde::DbusTransport>(bus_address_);
    dbus_->OnAwait([this](std::string_view application) {
      if (on_await_) on_await_(application);
    });
  }
  return *dbus_;
}

std::unique_ptr<dde::Conversation> EngineTransport::Initiate(std::string_view application,
                                                             std::string_view topic) {
  if (real_) return Dbus().Initiate(application, topic);
  return in_process_.Initiate(application, topic);
}

void EngineTransport::ServerLaunched() {
  if (real_) Dbus().ServerLaunched();
}

void EngineTransport::Pump() {
  in_process_.Pump();
  if (dbus_) dbus_->Pump();
}

}  // namespace vbhost
