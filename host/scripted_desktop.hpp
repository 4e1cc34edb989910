// The desktop of a scenario run: message boxes take their answers from the scenario's queue
// (first in, first out) and everything shown goes into the transcript.
#pragma once

#include <deque>
#include <functional>
#include <string>

#include "host/host_observer.hpp"
#include "platform/desktop.hpp"

namespace vbhost {

class ScriptedDesktop : public platform::Desktop {
 public:
  explicit ScriptedDesktop(HostObserver& observer) : observer_(observer) {}

  // Queues the answer to the next message box: "OK", "Yes" or "No".
  void QueueAnswer(std::string answer) { answers_.push_back(std::move(answer)); }
  std::size_t queued() const { return answers_.size(); }
  // Runs on DoEvents: what a real message loop would deliver (bus messages, host events).
  void SetEventPump(std::function<void()> pump) { pump_ = std::move(pump); }

  int MsgBox(std::string_view prompt, int style, std::optional<std::string_view> title) override;
  void DoEvents() override;
  void SetForegroundWindow(std::string_view form) override;
  void ShowHelp(std::string_view form, std::string_view help_file) override;

 private:
  HostObserver& observer_;
  std::deque<std::string> answers_;
  std::function<void()> pump_;
};

}  // namespace vbhost
