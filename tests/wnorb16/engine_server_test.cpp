#include "wnorb16/engine_server.hpp"

#include "dde/in_process_bus.hpp"
#include "dde/text_box_link.hpp"
#include "engine_fixture.hpp"

namespace testing_support {
namespace {

// The add-in's hidden form: Text1 sends, Text2 shows the engine's status.
TEST_F(EngineTest, TheAddInReadsEachAnswerRightAfterItsExecute) {
  Archived("FORM1.FRM", "one\n");
  Archived("my form.frm", "two\n");
  dde::InProcessBus bus;
  std::vector<std::string> seen;
  EngineServer server(engine(), [&](std::string_view command, const std::string& status) {
    seen.push_back(std::string(command) + " -> " + status);
  });
  dde::InProcessBus::Registration registration = bus.Register(server.application());

  AddinLinks links(bus);
  dde::TextBoxLink& text1 = links.text1;
  dde::TextBoxLink& text2 = links.text2;

  text1.LinkExecute("CD " + Short(""));
  EXPECT_EQ(text2.Text(), "OK");
  text1.LinkExecute("G2LOCKING");
  EXPECT_EQ(text2.Text(), "Y");
  const std::string files = Short("FORM1.FRM") + "," + Short("my form.frm");
  text1.LinkExecute("EW " + files);
  EXPECT_TRUE(text2.Text().starts_with("2 of 2 files extracted\r\n")) << text2.Text();
  text1.LinkExecute("T " + Short("my form.frm"));
  EXPECT_TRUE(text2.Text().starts_with(Short("my form.frm") + " is checked out to you\r\n"));
  text1.LinkExecute("L FORM1.FRM");
  EXPECT_TRUE(text2.Text().starts_with("History of FORM1.FRM\r\n"));
  // Commands and answers are UTF-8 on the link; one that is not is answered, not executed.
  text1.LinkExecute("T FORM1.FRM\xFF");
  EXPECT_EQ(text2.Text(), "ERROR: the command cannot be carried: it is not UTF-8\r\n");
  // An empty command, as the add-in sends when nothing was selected, is taken and answered.
  text1.LinkExecute("");
  EXPECT_TRUE(text2.Text().starts_with("ERROR: "));
  EXPECT_EQ(seen.size(), 7u);
  EXPECT_EQ(seen[1], "G2LOCKING -> Y");
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
