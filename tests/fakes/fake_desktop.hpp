// Desktop for tests: message boxes answered from a queue and written to the fakes' shared record as
// "msgbox \"PROMPT\" STYLE" (and " \"TITLE\"" when given), and DoEvents counted.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/desktop.hpp"
#include "tests/fakes/unexpected.hpp"

namespace fakes {

class FakeDesktop : public platform::Desktop {
 public:
  explicit FakeDesktop(std::vector<std::string>& record) : record_(record) {}
  // Queued answers never used are reported.
  ~FakeDesktop() override {
    if (!answers_.empty()) ADD_FAILURE() << answers_.size() << " queued message box answer(s) never used";
  }

  // The answer to the next box. Once answers are queued every box takes the next one, OK-only
  // boxes too, so the queue reads as the order of the boxes. With none queued an OK-only box
  // answers OK by itself; any other box is refused.
  void QueueAnswer(int answer) { answers_.push_back(answer); }
  int do_events() const { return do_events_; }

  int MsgBox(std::string_view prompt, int style, std::optional<std::string_view> title) override {
    record_.push_back("msgbox \"" + std::string(prompt) + "\" " + std::to_string(style) +
                      (title ? " \"" + std::string(*title) + "\"" : ""));
    if (answers_.empty() && (style & 7) != platform::vbOKOnly)
      RefuseCall("no queued answer: " + record_.back());
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
  std::vector<std::string>& record_;
  std::deque<int> answers_;
  int do_events_ = 0;
};

}  // namespace fakes
