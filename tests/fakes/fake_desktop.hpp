// Desktop for tests: message boxes answered from a queue and recorded, and DoEvents counted.
#pragma once

#include <deque>
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

class FakeDesktop : public platform::Desktop {
 public:
  FakeDesktop() = default;
  // Queued answers never used are reported.
  ~FakeDesktop() override;

  // The answer to the next box. Once answers are queued every box takes the next one, OK-only
  // boxes too, so the queue reads as the order of the boxes. With none queued an OK-only box
  // answers OK by itself; any other box is refused, as is an answer that is not its button.
  void QueueAnswer(int answer) { answers_.push_back(answer); }
  const std::vector<MsgBoxShown>& boxes() const { return boxes_; }

  // A wait that never ends is refused after 100000 DoEvents.
  int do_events() const { return do_events_; }

  int MsgBox(std::string_view prompt, int style, std::optional<std::string_view> title) override;
  void DoEvents() override;
  void SetForegroundWindow(std::string_view) override {}
  void ShowHelp(std::string_view, std::string_view) override {}

 private:
  std::deque<int> answers_;
  std::vector<MsgBoxShown> boxes_;
  int do_events_ = 0;
};

}  // namespace fakes
