// Check-out and check-in as a developer meets them: the dialogs, the save questions, the
// command the engine gets and the reload after it.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/host/scenario_fixture.hpp"

namespace {

using Lines = std::vector<std::string>;
using nlohmann::json;

class CheckInOut : public testing_support::ScenarioFixture {
 protected:
  // The project open, the add-in connected in lock mode, every file not checked out.
  static std::string Connected(const std::string& t_reply = "\"is not checked out\\r\\n\"") {
    return "open App/App.vbp\nengine scripted\nengine reply G2LOCKING Y\nengine reply \"T \" " + t_reply +
           "\naddin connect\naddin connectaddin\n";
  }
  // The engine commands after start-up that are not lock queries.
  static Lines Operations(const Lines& t) {
    Lines out;
    bool started = false;
    for (const auto& l : t) {
      if (l.find("\"action\":\"unload\"") != std::string::npos && l.find("frmSplash") != std::string::npos)
        started = true;
      if (!started) continue;
      if ((l.find("\"event\":\"execute\"") != std::string::npos &&
           l.find("\"command\":\"T ") == std::string::npos) ||
          l.find("\"event\":\"reload\"") != std::string::npos) {
        out.push_back(l);
      }
    }
    return out;
  }
  static json Dialog(const Lines& t, const std::string& phase, std::size_t nth = 0) {
    Lines d = With(t, "\"phase\":\"" + phase + "\"");
    return nth < d.size() ? json::parse(d[nth]) : json();
  }
};

TEST_F(CheckInOut, FilesGoInCollectionOrderWhateverTheListsSort) {
  Lines t = Run(Connected() +
                "answer dialog frmExtract column 1 column 1 select Class1 select Form1 ok\n"
                "click Tools \"C&heck Out\"\n");
  EXPECT_EQ(
      Operations(t),
      (Lines{
          R"({"event":"execute","topic":"WNORB16|frmMain","command":"EW $DIR\\App\\Form1.frm,$DIR\\App\\Form1.frx,$DIR\\App\\Class1.cls","ok":true})",
          R"({"event":"reload","path":"$DIR\\App\\App.vbp"})"}));
  json closed = Dialog(t, "closed");
  EXPECT_EQ(closed["rows"][0]["text"], "Module1");  // sorted descending by name on screen
  EXPECT_EQ(closed["rows"][1]["files"], "Form1.frm, frx");
  EXPECT_EQ(t.back(), R"({"event":"form","form":"frmExtract","action":"unload"})");
}

TEST_F(CheckInOut, NothingSelectedSendsAnEmptyCommandAndCancelSendsNothing) {
  Lines t =
      Run(Connected() + "answer dialog frmUpdate ok\nclick \"Project Window Form Folder\" \"Check &In\"\n");
  EXPECT_EQ(Operations(t), (Lines{R"({"event":"execute","topic":"WNORB16|frmMain","command":"","ok":true})",
                                  R"({"event":"reload","path":"$DIR\\App\\App.vbp"})"}));
  for (const char* leave : {"cancel", "close"}) {
    t = Run(Connected() + "answer dialog frmUpdate select Module1 " + leave +
            "\nclick Tools \"Check &In\"\n");
    EXPECT_TRUE(Operations(t).empty()) << leave;
    EXPECT_EQ(With(t, "\"form\":\"frmUpdate\",\"action\":\"unload\"").size(), 1u) << leave;
  }
}

TEST_F(CheckInOut, EveryCheckInAndCheckOutItemOpensTheSameDialog) {
  std::string script = Connected();
  const char* folders[] = {"Tools", "Project Window Form Folder", "Project Window Module/Class Folder",
                           "Project Window Related Documents Folder"};
  for (const char* bar : folders) {
    script += std::string("answer dialog frmUpdate cancel\nclick \"") + bar + "\" \"Check &In\"\n";
    script += std::string("answer dialog frmExtract cancel\nclick \"") + bar + "\" \"C&heck Out\"\n";
  }
  Lines t = Run(script);
  Lines shown = With(t, "\"phase\":\"shown\"");
  ASSERT_EQ(shown.size(), 8u);
  for (std::size_t i = 2; i < 8; ++i) EXPECT_EQ(shown[i], shown[i % 2]) << i;
  EXPECT_EQ(json::parse(shown[0])["caption"], "Check-In [Update]");
  EXPECT_EQ(json::parse(shown[1])["caption"], "Check-Out [Extract]");
}

TEST_F(CheckInOut, SaveQuestionsBeforeTheDialog) {
  // Yes: saved under its own name, then the dialog.
  Lines t =
      Run(Connected() +
          "edit Module1\nanswer msgbox Yes\nanswer dialog frmExtract cancel\nclick Tools \"C&heck Out\"\n");
  EXPECT_EQ(
      With(t, "\"event\":\"msgbox\""),
      Lines{
          R"({"event":"msgbox","text":"Module1 [$DIR\\App\\Module1.bas] has changed, save now?","style":36,"answer":"Yes"})"});
  EXPECT_EQ(With(t, "\"event\":\"save\""),
            Lines{R"({"event":"save","target":"Module1","path":"$DIR\\App\\Module1.bas"})"});
  EXPECT_EQ(With(t, "\"phase\":\"shown\"").size(), 1u);

  // No: the message, no dialog, nothing sent; only the rows before it were built.
  t = Run(Connected() +
          "edit Module1\nanswer msgbox No\nanswer msgbox OK\nclick Tools \"C&heck Out\"\nshow states\n");
  Lines boxes = With(t, "\"event\":\"msgbox\"");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(
      boxes[1],
      R"({"event":"msgbox","text":"One or more project components need saving...  Save and try again.","style":4096,"answer":"OK"})");
  EXPECT_TRUE(With(t, "\"phase\":\"shown\"").empty());
  EXPECT_TRUE(Operations(t).empty());
  EXPECT_EQ(With(t, "\"text\":\"Ready...\"").size(), 3u);  // start-up twice, and the pass after the No

  // A modified component whose file is read-only is not asked about.
  t = Run(Connected() +
          "readonly App/Module1.bas on\nedit Module1\nanswer dialog frmExtract cancel\nclick Tools \"C&heck "
          "Out\"\n");
  EXPECT_TRUE(With(t, "\"event\":\"msgbox\"").empty());
  EXPECT_EQ(Dialog(t, "shown")["rows"].size(), 3u);
}

TEST_F(CheckInOut, TheProjectFileGuardAndItsOwnCommand) {
  // Read-only and modified: Yes gives the changes up in the IDE's eyes and saves nothing.
  Lines t = Run(
      Connected() +
      "readonly App/App.vbp on\nedit project\nanswer msgbox Yes\nanswer dialog frmExtract deselect App ok\n"
      "click Tools \"Check-Out Active Project [.VBP]\"\n");
  EXPECT_EQ(
      With(t, "\"event\":\"msgbox\""),
      Lines{
          R"({"event":"msgbox","text":"Visual Basic has allowed $DIR\\App\\App.vbp to change, but it is read-only.  Lose changes and continue?","style":52,"answer":"Yes"})"});
  EXPECT_EQ(With(t, "\"event\":\"modified\""), Lines{R"({"event":"modified","target":"App","value":false})"});
  EXPECT_TRUE(With(t, "\"event\":\"save\"").empty());
  // The component pass ran on the check-in dialog, whatever dialog the project pass was given.
  EXPECT_EQ(With(t, "\"form\":\"frmUpdate\",\"action\":\"load\"").size(), 1u);
  json shown = Dialog(t, "shown");
  EXPECT_EQ(shown["caption"], "Check-Out [Extract] Active Project");
  ASSERT_EQ(shown["rows"].size(), 1u);
  EXPECT_EQ(shown["rows"][0]["text"], "App");
  EXPECT_EQ(shown["rows"][0]["files"], "App.vbp");
  EXPECT_EQ(shown["rows"][0]["selected"], true);
  // Exactly one path, whatever was selected.
  EXPECT_EQ(
      Operations(t),
      (Lines{R"({"event":"execute","topic":"WNORB16|frmMain","command":"EW $DIR\\App\\App.vbp","ok":true})",
             R"({"event":"reload","path":"$DIR\\App\\App.vbp"})"}));

  // Modified and writable, answered No: nothing else happens.
  t = Run("readonly App/App.vbp off\n" + Connected() +
          "edit project\nanswer msgbox No\nclick Tools \"Check-In Active Project [.VBP]\"\n");
  EXPECT_EQ(
      With(t, "\"event\":\"msgbox\""),
      Lines{
          R"({"event":"msgbox","text":"Project file [$DIR\\App\\App.vbp] has changed, save now?","style":36,"answer":"No"})"});
  EXPECT_TRUE(With(t, "\"phase\":\"shown\"").empty());
  EXPECT_TRUE(Operations(t).empty());
}

TEST_F(CheckInOut, TheReloadAsksBeforeItDropsUnsavedChanges) {
  // Lock mode off, where the add-in asks nothing; and a modified project in a component operation.
  struct Case {
    std::string connected, edit, name;
  } cases[] = {
      {"open App/App.vbp\nengine scripted\nengine reply G2LOCKING N\naddin connect\naddin connectaddin\n",
       "edit Module1\n", "Module1"},
      {Connected(), "edit project\n", "App"}};
  for (const Case& c : cases) {
    // No keeps it modified, so the next reload asks again; Yes (Undo Check-Out's wish) drops it.
    Lines t = Run(c.connected + c.edit +
                  "answer msgbox No\nanswer dialog frmExtract ok\nclick Tools \"C&heck Out\"\n"
                  "answer msgbox Yes\nanswer dialog frmUpdate ok\nclick Tools \"&Undo Check Out\"\n"
                  "answer dialog frmExtract ok\nclick Tools \"C&heck Out\"\n");
    std::string box = R"({"event":"msgbox","text":")" + c.name +
                      R"( has unsaved changes. Reload it from disk and lose them?","style":52,"answer":")";
    EXPECT_EQ(With(t, "\"event\":\"msgbox\""),
              (Lines{box + R"(No","title":"vbhost"})", box + R"(Yes","title":"vbhost"})"}))
        << c.name;
    for (std::size_t i = 1; i < t.size(); ++i) {
      if (t[i].find("\"title\":\"vbhost\"") != std::string::npos) {
        EXPECT_EQ(t[i - 1].find("\"event\":\"reload\""), 1u);
      }
    }
  }
}

TEST_F(CheckInOut, TheLockReportFillsHolderAndType) {
  const std::string report =
      "\"Module1.bas is checked out to someone else\\r\\nHolder                        Lock\\r\\n"
      "----------------------------  ---------------------------------\\r\\n"
      "  ann.wu                        locked revision 1.2\\r\\n\"";
  Lines t = Run(Connected(report) + "answer dialog frmUpdate cancel\nclick Tools \"Check &In\"\n");
  json row = Dialog(t, "shown")["rows"][1];
  EXPECT_EQ(row["text"], "Module1");
  EXPECT_EQ(row["icon"], 3);
  EXPECT_EQ(row["user"], "ann.wu");
  EXPECT_EQ(row["type"], "locked revision 1.2");
}

TEST_F(CheckInOut, ALockReportWithoutACarriageReturn) {
  const std::string report =
      "\"F is checked out to you\\r\\n----------------------------  "
      "---------------------------------\\r\\n  me" +
      std::string(28, ' ') + "locked revision 1.1\"";
  // The component pass reports the failed cut and still fills both columns from the uncut line.
  Lines t = Run(Connected(report) +
                "answer msgbox OK\nanswer msgbox OK\nanswer msgbox OK\nanswer dialog frmUpdate cancel\n"
                "click Tools \"Check &In\"\n");
  Lines boxes = With(t, "\"event\":\"msgbox\"");
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(
      boxes[0],
      R"({"event":"msgbox","text":"CheckProjIcons2: Invalid procedure call or argument","style":0,"answer":"OK"})");
  json rows = Dialog(t, "shown")["rows"];
  ASSERT_EQ(rows.size(), 3u);
  for (const auto& row : rows) {
    EXPECT_EQ(row["user"], "me");
    EXPECT_EQ(row["type"], "locked revision 1.1");
  }

  // The project pass has no trap: the operation's own reports the error, and the row keeps
  // its columns empty.
  t = Run(Connected(report) +
          "answer msgbox OK\nanswer msgbox OK\nanswer msgbox OK\nanswer msgbox OK\n"
          "answer dialog frmExtract cancel\nclick Tools \"Check-Out Active Project [.VBP]\"\n");
  boxes = With(t, "\"event\":\"msgbox\"");
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(
      boxes[3],
      R"({"event":"msgbox","text":"Project_Check_Out -- Invalid procedure call or argument","style":4096,"answer":"OK"})");
  json project_row = Dialog(t, "shown")["rows"][0];
  EXPECT_EQ(project_row["user"], "");
  EXPECT_EQ(project_row["type"], "");
}

TEST_F(CheckInOut, APresetOptionLastsExactlyOneRun) {
  Lines t = Run(Connected() +
                "answer dialog frmExtract select Module1 ok\nclick Tools &Get\n"
                "answer dialog frmExtract select Module1 ok\nclick Tools \"C&heck Out\"\n"
                "answer dialog frmUpdate select Module1 ok\nclick Tools \"&Undo Check Out\"\n"
                "answer dialog frmUpdate select Module1 uncheck chkDisc ok\nclick Tools \"&Undo Check Out\"\n"
                "answer dialog frmUpdate select Module1 ok\nclick Tools \"Check &In\"\n");
  Lines commands;
  for (const auto& l : Operations(t)) {
    if (l.find("\"event\":\"execute\"") != std::string::npos) commands.push_back(json::parse(l)["command"]);
  }
  std::string m = "$DIR\\App\\Module1.bas";
  EXPECT_EQ(commands, (Lines{"EBFW " + m, "EW " + m, "UDW " + m, "UW " + m, "UW " + m}));
  EXPECT_EQ(Dialog(t, "shown", 0)["options"]["CheckBrowseMode"], 1);
  EXPECT_EQ(Dialog(t, "shown", 1)["options"]["CheckBrowseMode"], 0);
}

TEST_F(CheckInOut, SelectionButtonsWithLockModeOff) {
  Lines t =
      Run("open App/App.vbp\nengine scripted\nengine reply G2LOCKING N\naddin connect\naddin connectaddin\n"
          "answer dialog frmExtract toolbar selNot ok\nclick Tools \"C&heck Out\"\n"
          "answer dialog frmExtract select Form1 toolbar selYou ok\nclick Tools \"C&heck Out\"\n");
  EXPECT_TRUE(With(t, "\"command\":\"T ").empty());
  json rows = Dialog(t, "closed", 0)["rows"];
  for (const auto& r : rows) {
    EXPECT_EQ(r["selected"], true);
    EXPECT_EQ(r["icon"], 1);
    EXPECT_EQ(r["user"], "<no lock>");
  }
  json second = Dialog(t, "closed", 1)["rows"];
  for (const auto& r : second) EXPECT_EQ(r["selected"], false);
}

}  // namespace
