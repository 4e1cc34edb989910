#include "host/engine_transport.hpp"

#include "dde/server_application.hpp"
#include "host/real_services.hpp"
#include "vbrt/error.hpp"

namespace vbhost {

namespace {
constexpr std::string_view kEngine = "WNORB16";
constexpr std::string_view kOutcomeTopic = "frmCmd";
constexpr std::string_view kOutcomeItem = "txtOutcome";
}  // namespace

dde::Transport& EngineTransport::Real() {
  if (!real_transport_) {
    real_transport_ = RealTransport(bus_address_, [this](std::string_view application) {
      if (on_await_) on_await_(application);
    });
  }
  return *real_transport_;
}

std::unique_ptr<dde::Conversation> EngineTransport::Initiate(std::string_view application,
                                                             std::string_view topic) {
  if (!real_) return in_process_.Initiate(application, topic);
  auto conversation = Real().Initiate(application, topic);
  WatchOutcomes(application);
  return conversation;
}

void EngineTransport::ServerLaunched() {
  if (!real_) return;
  Real().ServerLaunched();
  if (&Watch() != &Real()) Watch().ServerLaunched();
}

dde::Transport& EngineTransport::Watch() {
  if (!watch_checked_) {
    watch_transport_ = RealWatchTransport();
    watch_checked_ = true;
  }
  return watch_transport_ ? *watch_transport_ : Real();
}

// Watched anew whenever the add-in links: the engine it reaches may be a new one.
void EngineTransport::WatchOutcomes(std::string_view application) {
  if (!dde::SameName(application, kEngine)) return;
  outcome_watch_.reset();
  try {
    auto watch = Watch().Initiate(application, kOutcomeTopic);
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
    Watch().Initiate(kEngine, kOutcomeTopic);
    return true;
  } catch (const vb::Error&) {
    return false;
  }
}

void EngineTransport::Pump() {
  in_process_.Pump();
  if (real_transport_) real_transport_->Pump();
  if (watch_transport_) watch_transport_->Pump();
}

}  // namespace vbhost
