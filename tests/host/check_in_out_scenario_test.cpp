// Check-out and check-in as a developer meets them: the dialogs, the save questions, the
// command the engine gets and the reload after it.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>

#include "posix/path_resolver.hpp"
#include "tests/host/scenario_fixture.hpp"

namespace {

using Lines = std::vector<std::string>;
using nlohmann::json;

class CheckInOut : public testing_support::ScenarioFixture {
 protected:
  // The project open, the add-in connected in lock mode, every file not checked out.
  static std::string Connected(const std::string& t_reply = "\"is not checked out\\r\\n\"",
                               const std::string& project = "App/App.vbp") {
    return "open " + project + "\nengine scripted\nengine reply G2LOCKING Y\nengine reply \"T \" " + t_reply +
           "\naddin connect\naddin connectaddin\n";
  }
  // The lines after start-up has unloaded its progress window.
  static Lines AfterStartup(const Lines& t) {
    auto end = std::find(t.begin(), t.end(), R"({"event":"form","form":"frmSplash","action":"unload"})");
    return end == t.end() ? Lines() : Lines(end + 1, t.end());
  }
  // A path below the folder in the Windows form the add-in is given.
  std::string Real(const std::string& rest) const {
    std::string w = "C:" + tmp.path() + "\\" + rest;
    for (auto& c : w) {
      if (c == '/') c = '\\';
    }
    return w;
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

TEST_F(CheckInOut, ARefusedCommandIsReportedAndTheReloadAndUnloadStillRun) {
  struct Case {
    const char* form;
    const char* caption;
    const char* refused;
    Lines outcome;  // the dialog's unload, the refused command, the box and the reload, in order
  };
  const std::string module = Win("App\\Module1.bas"), project = Win("App\\App.vbp");
  const std::string box = " -- Foreign application won't perform DDE method or operation";
  const Case cases[] = {
      {"frmExtract",
       "C&heck Out",
       "E",
       {"execute EW " + module, "msgbox Check_Out" + box, "reload", "unload"}},
      {"frmUpdate", "Check &In", "U", {"execute UW " + module, "msgbox Check_In" + box, "reload", "unload"}},
      {"frmExtract",
       "Check-Out Active Project [.VBP]",
       "E",
       {"unload", "execute EW " + project, "msgbox Project_Check_Out" + box, "reload"}},
      {"frmUpdate",
       "Check-In Active Project [.VBP]",
       "U",
       {"unload", "execute UW " + project, "msgbox Project_Check_In" + box, "reload"}},
  };
  for (const Case& c : cases) {
    Lines t =
        Run(Connected() + "engine refuse " + c.refused + "\nanswer msgbox OK\nanswer dialog " + c.form +
            (c.outcome[0] == "unload" ? "" : " select Module1") + " ok\nclick Tools \"" + c.caption + "\"\n");
    Lines outcome;
    for (const auto& l : AfterStartup(t)) {
      json e = json::parse(l);
      if (e["event"] == "execute" && e["ok"] == false && e["number"] == 285) {
        outcome.push_back("execute " + e["command"].get<std::string>());
      } else if (e["event"] == "msgbox" && e["style"] == 4096) {
        outcome.push_back("msgbox " + e["text"].get<std::string>());
      } else if (e["event"] == "reload" && e["path"] == project) {
        outcome.push_back("reload");
      } else if (e["event"] == "form" && e["form"] == c.form && e["action"] == "unload") {
        outcome.push_back("unload");
      } else if ((e["event"] == "execute" && e["command"].get<std::string>().rfind("T ", 0) != 0) ||
                 e["event"] == "msgbox" || e["event"] == "reload") {
        outcome.push_back("unexpected " + l);
      }
    }
    EXPECT_EQ(outcome, c.outcome) << c.caption;
  }
}

TEST_F(CheckInOut, ShortNamesReachTheCommands) {
  // A file name with a blank, a folder with a blank, a folder path over 67 characters; the
  // project file's own name has a blank too.
  const std::string long_dir = "Folder_with_a_name_long_enough_to_pass_the_limit";
  testing_support::Write(tmp / "App/My App.vbp",
                         "Type=Exe\r\nModule=Blank; My Module.bas\r\nModule=Deep; Sub Folder\\Deep.bas\r\n"
                         "Module=Long; " +
                             long_dir + "\\Long.bas\r\nName=\"App\"\r\n");
  for (const std::string& f : Lines{"My Module.bas", "Sub Folder/Deep.bas", long_dir + "/Long.bas"}) {
    testing_support::Write(tmp / ("App/" + f), "Attribute VB_Name = \"X\"\r\n");
  }
  ASSERT_GT(Real("App\\" + long_dir + "\\").size(), 67u);
  Lines t =
      Run(Connected("\"is not checked out\\r\\n\"", "\"App/My App.vbp\"") +
          "answer dialog frmExtract select Blank select Deep select Long ok\nclick Tools \"C&heck Out\"\n"
          "answer dialog frmUpdate ok\nclick Tools \"Check-In Active Project [.VBP]\"\n");
  posix::PathResolver resolver{posix::DriveMap::Parse("C:=/")};
  auto short_of = [&](const std::string& rest) { return resolver.ToShort(Real(rest)).value(); };
  auto leaf = [](const std::string& path) { return path.substr(path.rfind('\\') + 1); };
  const std::string app = Real("App\\");
  Lines commands;  // with the folder's own name back in place of "$DIR"
  for (const auto& l : Operations(t)) {
    if (l.find("\"event\":\"execute\"") == std::string::npos) continue;
    std::string c = json::parse(l)["command"];
    if (c.find("$DIR\\") != std::string::npos) c.replace(c.find("$DIR\\"), 5, app.substr(0, app.size() - 4));
    commands.push_back(c);
  }
  EXPECT_EQ(commands,
            (Lines{"EW " + app + leaf(short_of("App\\My Module.bas")) + "," + short_of("App\\Sub Folder\\") +
                       "Deep.bas," + short_of("App\\" + long_dir + "\\") + "Long.bas",
                   "UW " + app + leaf(short_of("App\\My App.vbp"))}));
  for (const auto& c : commands) EXPECT_EQ(c.find(' ', 3), std::string::npos) << c;
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

  // The other answers: a No stops the operation before its dialog; a Yes to a writable project
  // saves it under its own name.
  struct Case {
    std::string setup;
    std::string answers;
    Lines boxes;  // "text|style|answer"
    bool saved;
  };
  const std::string vbp = Win("App\\App.vbp");
  const Case cases[] = {
      {"edit project\n", "No", {"Project file [" + vbp + "] has changed, save now?|36|No"}, false},
      {"readonly App/App.vbp on\nedit project\n",
       "No",
       {"Visual Basic has allowed " + vbp +
        " to change, but it is read-only.  Lose changes and continue?|52|No"},
       false},
      {"edit project\n", "Yes", {"Project file [" + vbp + "] has changed, save now?|36|Yes"}, true},
      {"edit Module1\n",
       "No OK",
       {"Module1 [" + Win("App\\Module1.bas") + "] has changed, save now?|36|No",
        "One or more project components need saving...  Save and try again.|4096|OK"},
       false},
  };
  for (const Case& c : cases) {
    std::string answers;
    for (std::size_t b = 0, e; b < c.answers.size(); b = e + 1) {
      e = std::min(c.answers.find(' ', b), c.answers.size());
      answers += "answer msgbox " + c.answers.substr(b, e - b) + "\n";
    }
    t = Run("readonly App/App.vbp off\n" + Connected() + c.setup + answers +
            (c.saved ? "answer dialog frmUpdate cancel\n" : "") +
            "click Tools \"Check-In Active Project [.VBP]\"\n");
    Lines boxes;
    for (const auto& l : With(t, "\"event\":\"msgbox\"")) {
      json e = json::parse(l);
      boxes.push_back(e["text"].get<std::string>() + "|" + std::to_string(e["style"].get<int>()) + "|" +
                      e["answer"].get<std::string>());
    }
    EXPECT_EQ(boxes, c.boxes) << c.setup;
    EXPECT_EQ(With(t, "\"event\":\"save\""), c.saved ? Lines{R"({"event":"save","target":"App","path":")" +
                                                             Win("App\\App.vbp", true) + "\"}"}
                                                     : Lines())
        << c.setup;
    EXPECT_TRUE(With(t, "\"event\":\"modified\"").empty()) << c.setup;
    EXPECT_EQ(With(t, "\"phase\":\"shown\"").size(), c.saved ? 1u : 0u) << c.setup;
    EXPECT_TRUE(Operations(t).empty()) << c.setup;
    EXPECT_EQ(With(t, "\"form\":\"frmUpdate\",\"action\":\"unload\"").size(), 1u) << c.setup;
  }
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

TEST_F(CheckInOut, ThePassWritesChangedStatesAndTakesIconsAndTextsFromThem) {
  const std::string separator = "\\r\\n----------------------------  ---------------------------------\\r\\n";
  // Start-up's three answers, then the pass's: Form1 and Module1 change, Class1 stays.
  Lines t = Run(
      Connected(
          "\"F is not checked out\\r\\n\" \"M is not checked out\\r\\n\" \"C is checked out to you\\r\\n\" "
          "\"Form1.frm is checked out to you" +
          separator +
          "  me                            locked 1.3\\r\\n\" "
          "\"  Module1.bas: NO LOCK FILE  \" "
          "\"Class1.cls is checked out to you" +
          separator + "  me                            locked 1.1\\r\\n\"") +
      "answer dialog frmUpdate cancel\nclick Tools \"Check &In\"\nshow states\n");
  EXPECT_EQ(With(AfterStartup(t), "\"event\":\"state\""),
            (Lines{R"({"event":"state","component":"Form1","value":3})",
                   R"({"event":"state","component":"Module1","value":0})"}));
  EXPECT_EQ(t.back(), R"({"event":"states","show":true,"components":{"Form1":3,"Module1":0,"Class1":3}})");
  json rows = Dialog(t, "shown")["rows"];
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], (json{{"text", "Form1"},
                           {"files", "Form1.frm, frx"},
                           {"user", "me"},
                           {"type", "locked 1.3"},
                           {"icon", 2},
                           {"selected", false}}));
  EXPECT_EQ(rows[1], (json{{"text", "Module1"},
                           {"files", "Module1.bas"},
                           {"user", "<no lock>"},
                           {"type", "Module1.bas: NO LOCK FILE"},
                           {"icon", 1},
                           {"selected", false}}));
  EXPECT_EQ(rows[2]["icon"], 2);
  EXPECT_EQ(rows[2]["type"], "locked 1.1");

  // A one-line answer with outer blanks: component rows trim it, the project row keeps it.
  t = Run(Connected("\"  is not checked out  \"") +
          "answer dialog frmUpdate cancel\nclick Tools \"Check &In\"\n"
          "answer dialog frmUpdate cancel\nclick Tools \"Check-In Active Project [.VBP]\"\n");
  EXPECT_EQ(Dialog(t, "shown", 0)["rows"][0]["type"], "is not checked out");
  EXPECT_EQ(Dialog(t, "shown", 1)["rows"][0]["type"], "  is not checked out  ");
  EXPECT_EQ(Dialog(t, "shown", 1)["rows"][0]["user"], "<no lock>");
}

TEST_F(CheckInOut, OneComponentAndEmptyProjectsHideTheProgressWindowBeforeTheWalk) {
  testing_support::Write(tmp / "App/One.vbp", "Type=Exe\r\nModule=Module1; Module1.bas\r\nName=\"One\"\r\n");
  testing_support::Write(tmp / "App/Empty.vbp", "Type=Exe\r\nName=\"Empty\"\r\n");
  const Lines splash = {
      R"({"event":"form","form":"frmSplash","action":"load"})",
      R"({"event":"caption","form":"frmSplash","control":"lblVersion","text":"v5.0.1"})",
      R"({"event":"caption","form":"frmSplash","control":"lblCap","text":"Checking project..."})",
      R"({"event":"form","form":"frmSplash","action":"show"})",
      R"({"event":"form","form":"frmSplash","action":"hide"})",  // the pass's, before its walk
      R"({"event":"caption","form":"frmSplash","control":"lblCap","text":"Ready..."})",
      R"({"event":"form","form":"frmSplash","action":"hide"})",
  };
  for (const auto& [project, rows] : {std::pair{"App/One.vbp", 1u}, std::pair{"App/Empty.vbp", 0u}}) {
    Lines t = Run(Connected("\"is not checked out\\r\\n\"", project) +
                  "answer dialog frmExtract ok\nclick Tools \"C&heck Out\"\n");
    Lines after = AfterStartup(t);
    EXPECT_EQ(With(after, "\"form\":\"frmSplash\""), splash) << project;
    EXPECT_EQ(Dialog(t, "shown")["rows"].size(), rows) << project;
    EXPECT_EQ(With(after, "\"command\":\"T ").size(), rows) << project;
    EXPECT_EQ(Operations(t).size(), 2u)
        << project;  // the empty command and the reload: the pass did not refuse
  }
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
