#include "tests/fakes/fake_desktop.hpp"

#include <algorithm>
#include <initializer_list>
#include <sstream>

namespace fakes {

namespace {

constexpr int kCancel = 2;
constexpr int kAbort = 3;
constexpr int kRetry = 4;
constexpr int kIgnore = 5;

// The buttons of each button set (style & 7) as the answers they give.
bool IsButtonOf(int style, int answer) {
  auto in = [answer](std::initializer_list<int> set) {
    return std::find(set.begin(), set.end(), answer) != set.end();
  };
  switch (style & 7) {
    case 0:
      return in({platform::vbOK});
    case 1:
      return in({platform::vbOK, kCancel});
    case 2:
      return in({kAbort, kRetry, kIgnore});
    case 3:
      return in({platform::vbYes, platform::vbNo, kCancel});
    case 4:
      return in({platform::vbYes, platform::vbNo});
    case 5:
      return in({kRetry, kCancel});
    default:
      return false;
  }
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const MsgBoxShown& box) {
  out << "MsgBox{\"" << box.prompt << "\", style " << box.style << ", title ";
  if (box.title) {
    out << '"' << *box.title << '"';
  } else {
    out << "(none)";
  }
  return out << ", answer " << box.answer << "}";
}

FakeDesktop::~FakeDesktop() {
  if (!answers_.empty()) ADD_FAILURE() << answers_.size() << " queued message box answer(s) never used";
}

int FakeDesktop::MsgBox(std::string_view prompt, int style, std::optional<std::string_view> title) {
  MsgBoxShown box{std::string(prompt), style, title ? std::optional<std::string>(*title) : std::nullopt, 0};
  boxes_.push_back(box);
  std::ostringstream shown;
  shown << box;
  if (answers_.empty()) {
    if ((style & 7) != platform::vbOKOnly) RefuseCall("no queued answer for " + shown.str());
    boxes_.back().answer = platform::vbOK;
    return platform::vbOK;
  }
  int answer = answers_.front();
  answers_.pop_front();
  if (!IsButtonOf(style, answer)) {
    RefuseCall("queued answer " + std::to_string(answer) + " is not a button of " + shown.str());
  }
  boxes_.back().answer = answer;
  return answer;
}

void FakeDesktop::DoEvents() {
  if (++do_events_ > 100000) {
    RefuseCall("DoEvents called " + std::to_string(do_events_) + " times: the code under test waits forever");
  }
}

}  // namespace fakes
