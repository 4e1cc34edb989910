#include "wnorb16/console.hpp"

#include <sstream>

#include "dde/in_process_bus.hpp"
#include "engine_fixture.hpp"

namespace testing_support {
namespace {

// The terminal's questions wait for the next typed line, not for the person: link commands are
// answered in between.
TEST_F(EngineTest, TheInteractiveEngineAsksBetweenLinkCommands) {
  Archived("A.FRM", "one\n");
  Run("EW " + Windows("A.FRM"));
  Write("A.FRM", "two\n");
  std::ostringstream shown;
  Console* console_ptr = nullptr;
  EngineServer server(engine(), [&](std::string_view command, const std::string& status) {
    console_ptr->FromLink(command, status);
  });
  Console console(server, shown);
  console_ptr = &console;
  dde::InProcessBus bus;
  dde::InProcessBus::Registration registration = bus.Register(server.application());
  AddinLinks links(bus);

  EXPECT_TRUE(console.Typed("COMMENT fixed the form"));
  EXPECT_TRUE(console.Typed("CONFIG"));
  console.Prompt();
  EXPECT_TRUE(
      shown.str().ends_with("Settings (Enter keeps a value, - clears Archives):\n  Locking (Y/N) [Y]: "));
  links.text1.LinkExecute("UW " + Windows("A.FRM"));
  EXPECT_EQ(links.text2.Text(), "1 of 1 files updated\r\n" + Windows("A.FRM") +
                                    ": checked in as revision 2.1; work file read-only\r\n");
  EXPECT_TRUE(
      shown.str().ends_with("[link] UW " + Windows("A.FRM") + "\n1 of 1 files updated\n" + Windows("A.FRM") +
                            ": checked in as revision 2.1; work file read-only\n  Locking (Y/N) [Y]: "))
      << shown.str();
  EXPECT_TRUE(console.Typed("N"));
  EXPECT_TRUE(console.Typed(""));
  EXPECT_TRUE(console.Typed("-"));
  EXPECT_FALSE(console.Typed(" exit "));

  EXPECT_TRUE(StatusLines(Run("L " + Windows("A.FRM"))).back().ends_with("fixed the form"));
  // Locking N, the user ID kept, Archives cleared: written to WNORB.INI and read again.
  EXPECT_EQ(Contents(tmp_ / "WNORB.INI"), "[Engine]\r\nLocking=N\r\nUserID=ann\r\nArchives=\r\n");
  EXPECT_EQ(engine().config().locking, false);
  EXPECT_TRUE(shown.str().ends_with(": Locking=N, UserID=ann, Archives=RCS folder or beside each file\n"))
      << shown.str();
  EXPECT_EQ(shown.str().find('\r'), std::string::npos);
}

}  // namespace
}  // namespace testing_support
