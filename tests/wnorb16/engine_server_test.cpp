#include "wnorb16/engine_server.hpp"

#include "dde/in_process_bus.hpp"
#include "engine_fixture.hpp"

namespace testing_support {
namespace {

// Every execute is taken and answered, also one the link cannot carry into the code page.
TEST_F(EngineTest, TheLinkAnswersEveryExecute) {
  dde::InProcessBus bus;
  std::vector<std::string> seen;
  EngineServer server(engine(), [&](std::string_view command, const std::string& status) {
    seen.push_back(std::string(command) + " -> " + status);
  });
  dde::InProcessBus::Registration registration = bus.Register(server.application());
  AddinLinks links(bus);
  links.text1.LinkExecute("T FORM1.FRM\xFF");
  EXPECT_EQ(links.text2.Text(), "ERROR: the command cannot be carried: it is not UTF-8\r\n");
  // An empty command, as the add-in sends when nothing was selected.
  links.text1.LinkExecute("");
  EXPECT_TRUE(links.text2.Text().starts_with("ERROR: "));
  links.text1.LinkExecute("G2LOCKING");
  EXPECT_EQ(links.text2.Text(), "Y");
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[2], "G2LOCKING -> Y");
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
