#include "host/engine_transport.hpp"

#include "dde/code_page_link.hpp"
#include "dde/dbus_transport.hpp"

namespace vbhost {

dde::Transport& EngineTransport::Dbus() {
  if (!dbus_) {
    // D-Bus carries UTF-8; the add-in speaks the code page.
    dbus_ = std::make_unique<dde::CodePageTransport>(
        bus_address_.empty() ? std::make_unique<dde::DbusTransport>()
                             : std::make_unique<dde::DbusTransport>(bus_address_));
  }
  return *dbus_;
}

std::unique_ptr<dde::Conversation> EngineTransport::Initiate(std::string_view application,
                                                             std::string_view topic,
                                                             std::chrono::milliseconds wait) {
  if (real_) return Dbus().Initiate(application, topic, wait);
  return in_process_.Initiate(application, topic, wait);
}

void EngineTransport::Pump() {
  in_process_.Pump();
  if (dbus_) dbus_->Pump();
}

}  // namespace vbhost
