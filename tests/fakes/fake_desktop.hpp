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
  bool operator==(const MsgBoxShown&) const = default;
  friend std::ostream& operator<<(std::ostream& out, const MsgBoxShown& box) {
    return out << "MsgBox{\"" << box.prompt << "\", style " << box.style << ", title "
               << box.title.value_or("(none)") << "}";
  }
};

class FakeDesktop : public platform::Desktop {
 public:
  // Queued answers never used are reported.
  ~FakeDesktop() override {
    if (!answers_.empty()) ADD_FAILURE() << answers_.size() << " queued message box answer(s) never used";
  }

  // The answer to the next box. Once answers are queued every box takes the next one, OK-only
  // boxes too, so the queue reads as the order of the boxes. With none queued an OK-only box
  // answers OK by itself; any other box is refused.
  void QueueAnswer(int answer) { answers_.push_back(answer); }
  const std::vector<MsgBoxShown>& boxes() const { return boxes_; }
  int do_events() const { return do_events_; }

  int MsgBox(std::string_view prompt, int style, std::optional<std::string_view> title) override {
    boxes_.push_back({std::string(prompt), style, title ? std::optional<std::string>(*title) : std::nullopt});
    if (answers_.empty() && (style & 7) != platform::vbOKOnly)
      RefuseCall("no queued answer for " + boxes_.back().prompt);
    if (answers_.empty()) return platform::vbOK;
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  // A wait that never ends is refused after 100000 DoEvents.
  void DoEvents() override {
    if (++do_events_ > 100000) RefuseCall("DoEvents called 100000 times: the code under test waits forever");
  }
  void SetForegroundWindow(std::string_view) override {}
  void ShowHelp(std::string_view, std::string_view) override {}

 private:
  std::deque<int> answers_;
  std::vector<MsgBoxShown> boxes_;
  int do_events_ = 0;
};

}  // namespace fakes
