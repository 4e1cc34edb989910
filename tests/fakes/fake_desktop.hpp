// Desktop for tests: message boxes answered from a queue, DoEvents with hooks, and a record
// of foreground and help requests.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/desktop.hpp"
#include "tests/fakes/unexpected.hpp"

namespace fakes {

struct MsgBoxShown {
  std::string prompt;
  int style = 0;
  std::optional<std::string> title;
  int answer = 0;  // 0 when the box was refused
  bool operator==(const MsgBoxShown&) const = default;
};
std::ostream& operator<<(std::ostream& out, const MsgBoxShown& box);

struct HelpShown {
  std::string form;
  std::string help_file;
  bool operator==(const HelpShown&) const = default;
};
std::ostream& operator<<(std::ostream& out, const HelpShown& help);

class FakeDesktop : public platform::Desktop {
 public:
  FakeDesktop() = default;
  // Queued answers and DoEvents hooks never used are reported.
  ~FakeDesktop() override;

  // The answer to the next box. Once answers are queued every box takes the next one, OK-only
  // boxes too, so the queue reads as the order of the boxes. With none queued an OK-only box
  // answers OK by itself; any other box is refused, as is an answer that is not its button.
  void QueueAnswer(int answer) { answers_.push_back(answer); }
  std::size_t PendingAnswers() const { return answers_.size(); }
  const std::vector<MsgBoxShown>& boxes() const { return boxes_; }
  std::vector<std::string> Prompts() const;

  // Each DoEvents runs the next hook, once (the events that were "queued" for it).
  void OnDoEvents(std::function<void()> hook) { hooks_.push_back(std::move(hook)); }
  int do_events() const { return do_events_; }
  // A wait that never ends is refused after this many DoEvents.
  void SetDoEventsLimit(int limit) { do_events_limit_ = limit; }

  const std::vector<std::string>& foreground() const { return foreground_; }
  const std::vector<HelpShown>& help() const { return help_; }

  int MsgBox(std::string_view prompt, int style, std::optional<std::string_view> title) override;
  void DoEvents() override;
  void SetForegroundWindow(std::string_view form) override;
  void ShowHelp(std::string_view form, std::string_view help_file) override;

 private:
  std::deque<int> answers_;
  std::vector<MsgBoxShown> boxes_;
  std::deque<std::function<void()>> hooks_;
  int do_events_ = 0;
  int do_events_limit_ = 100000;
  std::vector<std::string> foreground_;
  std::vector<HelpShown> help_;
};

}  // namespace fakes
