#include "wnorb16/engine_server.hpp"

#include "engine_fixture.hpp"

namespace testing_support {
namespace {

// A command from the link is UTF-8, executed in the code page; one that cannot be carried is
// answered, not executed.
TEST_F(EngineTest, TheLinkCarriesCommandsInUtf8) {
  EXPECT_EQ(ExecuteUtf8(engine(), "T FORM1.FRM\xFF"),
            "ERROR: the command cannot be carried: it is not UTF-8\r\n");
  EXPECT_EQ(ExecuteUtf8(engine(), "T Тест.bas"),
            "ERROR: the command cannot be carried: code page 1252 cannot spell it\r\n");
}

// What an engine window would show goes to everyone; a lock pass's queries do not.
TEST(EngineServer, OutcomesArePublishedForWhatChangesFilesOrReportsAndForEveryError) {
  const std::vector<std::pair<std::string, bool>> commands = {
      {"EW A.BAS", true}, {"UW A.BAS", true},   {"-C A.BAS", true},  {"CONFIG", true},
      {"T A.BAS", false}, {"G2LOCKING", false}, {"CD C:\\X", false}, {"L A.BAS", false}};
  for (const auto& [command, published] : commands) {
    EXPECT_EQ(IsPublishedOutcome(command, "fine\r\n"), published) << command;
    EXPECT_TRUE(IsPublishedOutcome(command, "ERROR: no\r\n")) << command;
  }
  EXPECT_EQ(OutcomeText("UW A.BAS", "1 of 1 files updated\r\n"), "> UW A.BAS\r\n1 of 1 files updated\r\n");
}

}  // namespace
}  // namespace testing_support
