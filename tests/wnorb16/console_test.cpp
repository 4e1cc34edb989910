#include "wnorb16/console.hpp"

#include <sstream>

#include "engine_fixture.hpp"
#include "wnorb16/terminal_interaction.hpp"

namespace wnorb16::testing {
namespace {

TEST_F(EngineTest, TheInteractiveEngineAsksAtTheTerminal) {
  Archived("A.FRM", "one\n");
  Archived("B.FRM", "b\n");
  Run("EW " + Windows("A.FRM") + "," + Windows("B.FRM"));
  Write("A.FRM", "two\n");
  // Revision for A: Enter (the usual numbering); B left alone; then the log message.
  std::istringstream typed("\n-\nfixed the form\nN\n\n-\n");
  std::ostringstream shown;
  TerminalInteraction person(typed, shown);
  auto interactive = MakeEngine(&person);
  EngineServer server(*interactive);
  Console console(server, shown);

  EXPECT_TRUE(console.Typed("USW " + Windows("A.FRM") + "," + Windows("B.FRM")));
  EXPECT_TRUE(console.Typed("CONFIG"));
  EXPECT_TRUE(console.Typed(""));
  EXPECT_FALSE(console.Typed(" exit "));
  const std::string out = shown.str();
  EXPECT_NE(out.find("New revision number for " + Windows("A.FRM")), std::string::npos);
  EXPECT_NE(out.find("Log message for USW (Enter: \"Checked in by WNORB16 (USW)\"): "), std::string::npos);
  // The status as the person sees it: lines without CR.
  EXPECT_NE(out.find("1 of 2 files updated\n" + Windows("A.FRM") +
                     ": checked in as revision 2.1; work file read-only\n" + Windows("B.FRM") +
                     ": no revision given; left alone\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find('\r'), std::string::npos);
  EXPECT_TRUE(StatusLines(Run("L " + Windows("A.FRM"))).back().ends_with("fixed the form"));
  // Locking N, the user ID kept, Archives cleared: written to WNORB.INI.
  EXPECT_EQ(interactive->config().locking, false);
  EXPECT_EQ(interactive->config().user_id, "ann");
  EXPECT_EQ(Contents(tmp_ / "WNORB.INI"), "[Engine]\r\nLocking=N\r\nUserID=ann\r\nArchives=\r\n");
}

}  // namespace
}  // namespace wnorb16::testing
