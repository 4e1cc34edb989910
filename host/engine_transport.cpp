#include "host/engine_transport.hpp"

#include "dde/code_page_link.hpp"
#include "dde/dbus_transport.hpp"
#include "vbrt/error.hpp"

namespace vbhost {

namespace {
constexpr std::string_view kEngine = "WNORB16";
constexpr std::string_view kOutcomeTopic = "frmCmd";
constexpr std::string_view kOutcomeItem = "txtOutcome";
}  // namespace

dde::Transport& EngineTransport::Dbus() {
  if (!dbus_) {
    auto dbus = bus_address_.empty() ? std::make_unique<dde::DbusTransport>()
                                     : std::make_unique<dde::DbusTransport>(bus_address_);
    dbus->OnAwait([this](std::string_view application) {
      if (on_await_) on_await_(application);
    });
    // D-Bus carries UTF-8; the add-in speaks the code page.
    dbus_ = std::make_unique<dde::CodePageTransport>(std::move(dbus));
  }
  return *dbus_;
}

std::unique_ptr<dde::Conversation> EngineTransport::Initiate(std::string_view application,
                                                             std::string_view topic) {
  if (!real_) return in_process_.Initiate(application, topic);
  auto conversation = Dbus().Initiate(application, topic);
  WatchOutcomes(application);
  return conversation;
}

void EngineTransport::ServerLaunched() {
  if (real_) Dbus().ServerLaunched();
}

// Watched anew whenever the add-in links: the engine it reaches may be a new one.
void EngineTransport::WatchOutcomes(std::string_view application) {
  if (!dde::SameName(application, kEngine)) return;
  outcome_watch_.reset();
  try {
    auto watch = Dbus().Initiate(application, kOutcomeTopic);
    watch->Advise(kOutcomeItem, [this](const std::string& text) { outcomes_.push_back(text); });
    outcome_watch_ = std::move(watch);
  } catch (const vb::Error&) {
    // An engine without outcomes still serves the add-in.
  }
}

bool EngineTransport::LinkedEngineServes() {
  if (!real_) return true;
  if (!outcome_watch_) return false;
  try {
    outcome_watch_->Request(kOutcomeItem);
    return true;
  } catch (const vb::Error&) {
    return false;
  }
}

bool EngineTransport::EngineServes() {
  if (!real_) return true;
  try {
    Dbus().Initiate(kEngine, kOutcomeTopic);
    return true;
  } catch (const vb::Error&) {
    return false;
  }
}

void EngineTransport::Pump() {
  in_process_.Pump();
  if (dbus_) dbus_->Pump();
}

}  // namespace vbhost
