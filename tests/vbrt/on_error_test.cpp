#include "vbrt/on_error.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vbrt/strings.hpp"

namespace {

// A callee without a trap: its failing statement abandons the rest of it.
void CalleeWithoutTrap(std::vector<std::string>& log) {
  log.push_back("callee 1");
  vb::Mid("x", 0);
  log.push_back("callee 2");
}

TEST(OnError, ResumeNextSkipsTheFailingStatementAndAbandonsTheCallee) {
  std::vector<std::string> log;
  auto step = vb::OnError::ResumeNext();
  step([&] { log.push_back("one"); });
  step([&] {
    vb::Raise(53);
    log.push_back("never");
  });
  step([&] { CalleeWithoutTrap(log); });
  step([&] { log.push_back("last"); });
  EXPECT_EQ(log, (std::vector<std::string>{"one", "callee 1", "last"}));
}

TEST(OnError, ReportShowsThenContinuesWithTheNextStatement) {
  std::vector<std::string> shown;
  std::vector<std::string> log;
  auto step =
      vb::OnError::Report([&](const vb::Error& e) { shown.push_back("Check_Out -- " + e.description()); });
  step([&] { vb::Raise(285); });
  step([&] { log.push_back("reload"); });
  step([&] { vb::Left("", -1); });
  step([&] { log.push_back("unload"); });
  EXPECT_EQ(shown, (std::vector<std::string>{
                       "Check_Out -- Foreign application won't perform DDE method or operation",
                       "Check_Out -- Invalid procedure call or argument"}));
  EXPECT_EQ(log, (std::vector<std::string>{"reload", "unload"}));
}

TEST(OnError, NoTrapPassesTheErrorToTheCaller) {
  std::vector<std::string> log;
  auto inner = [&] {
    auto step = vb::OnError::None();
    step([&] { log.push_back("a"); });
    step([&] { vb::Raise(9); });
    step([&] { log.push_back("b"); });
  };
  int number = 0;
  auto outer = vb::OnError::Report([&](const vb::Error& e) { number = e.number(); });
  outer(inner);
  EXPECT_EQ(number, 9);
  EXPECT_EQ(log, (std::vector<std::string>{"a"}));
}

TEST(OnError, CloseDownHandlerEndsAndEndPassesEveryPolicy) {
  std::vector<std::string> log;
  auto resume = vb::OnError::ResumeNext();
  auto close_down = vb::OnError::CloseDown([&](const vb::Error& e) {
    log.push_back("startNORB -- " + e.description());
    throw vb::EndSignal{};
  });
  bool ended = false;
  try {
    resume([&] {
      close_down([&] { vb::Raise(53); });
      log.push_back("after launch");
    });
    resume([&] { log.push_back("next step"); });
  } catch (const vb::EndSignal&) {
    ended = true;
  }
  EXPECT_TRUE(ended);
  EXPECT_EQ(log, (std::vector<std::string>{"startNORB -- File not found"}));

  // End raised directly inside a resume-next statement is not swallowed either.
  EXPECT_THROW(resume([] { throw vb::EndSignal{}; }), vb::EndSignal);
}

TEST(OnError, TrapAndExitLeavesTheProcedureAtTheFirstError) {
  std::vector<std::string> log;
  vb::TrapAndExit(
      [&] {
        log.push_back("hide");
        vb::Raise(13);
        log.push_back("options");
      },
      [&](const vb::Error& e) { log.push_back(e.description()); });
  EXPECT_EQ(log, (std::vector<std::string>{"hide", "Type mismatch"}));
}

}  // namespace
