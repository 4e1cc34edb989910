// Version history and compare, the remaining menu items, and the IDE's file events.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>

#include "tests/host/scenario_fixture.hpp"

namespace {

using Lines = std::vector<std::string>;
using nlohmann::json;

class HistoryAndEvents : public testing_support::ScenarioFixture {
 protected:
  static std::string Connected(const std::string& lock_mode = "Y") {
    return "open App/App.vbp\nengine scripted\nengine reply G2LOCKING " + lock_mode +
           "\nengine reply \"T \" \"is not checked out\\r\\n\"\naddin connect\naddin connectaddin\n";
  }
  // The history dialog's entries and selection for an engine answer.
  json History(const std::string& answer) {
    Lines t = Run(Connected() + "engine reply \"L \" \"" + answer +
                  "\"\nselect Form1\nanswer dialog frmVersions ok\nclick \"Project Window Form Folder\" "
                  "\"Version &History\"\n");
    Lines shown = With(t, "\"form\":\"frmVersions\",\"phase\":\"shown\"");
    return shown.empty() ? json() : json::parse(shown[0]);
  }
  static Lines Executes(const Lines& t, const std::string& prefix) {
    Lines out;
    for (const auto& l : With(t, "\"event\":\"execute\"")) {
      std::string c = json::parse(l)["command"];
      if (c.rfind(prefix, 0) == 0) out.push_back(c);
    }
    return out;
  }
};

TEST_F(HistoryAndEvents, TheHistoryListsTheEnginesLinesAfterTheFirstTwo) {
  json d =
      History("History of F\\r\\nRevision  Date\\r\\n 1.1  first \\r\\n1.2  second\\r\\n  1.3  third\\r\\n");
  // Blanks before a line's carriage return stay: the line is trimmed before the CR is cut.
  EXPECT_EQ(d["entries"], (json{"1.1  first ", "1.2  second", "1.3  third"}));
  EXPECT_EQ(d["selected"], 2);  // the last entry, selected when the dialog opens
  EXPECT_EQ(d["caption"], "Version History of " + Win("App\\Form1.frm") + " (Form1)");

  d = History("History of F\\r\\nRevision\\r\\n");
  EXPECT_EQ(d["entries"], json::array());
  EXPECT_EQ(d["selected"], -1);

  // An empty third line: ended by LF alone it is skipped, by CR LF it is an empty entry.
  EXPECT_EQ(History("a\\nb\\n\\n1.1\\n")["entries"], (json{"1.1"}));
  EXPECT_EQ(History("a\\r\\nb\\r\\n\\r\\n1.1\\r\\n")["entries"], (json{"", "1.1"}));
  // A last line without a line feed is not listed.
  EXPECT_EQ(History("a\\r\\nb\\r\\n1.1\\r\\n1.2")["entries"], (json{"1.1"}));
}

TEST_F(HistoryAndEvents, HistoryAndCompareRefuseUnsavedFilesAndUseTheEngineForm) {
  // Modified: the message names the file as the IDE gives it; nothing goes to the engine.
  Lines t = Run(Connected() +
                "select Module1\nedit Module1\nanswer msgbox OK\nanswer msgbox OK\n"
                "click \"Project Window Module/Class Folder\" \"Version &History\"\n"
                "click \"Project Window Module/Class Folder\" \"Delta &Compare\"\n");
  std::string text = R"({"event":"msgbox","text":")" + Win("App\\Module1.bas", true) +
                     R"( needs saving...","style":4096,"answer":"OK"})";
  EXPECT_EQ(With(t, "\"event\":\"msgbox\""), (Lines{text, text}));
  EXPECT_TRUE(Executes(t, "L ").empty());
  EXPECT_TRUE(Executes(t, "-C ").empty());

  // A hidden file counts as missing.
  testing_support::Write(tmp / "App/.hidden.bas", "Attribute VB_Name = \"Hidden\"\r\n");
  testing_support::Write(tmp / "App/App.vbp",
                         "Type=Exe\r\nForm=Form1.frm\r\nModule=Module1; Module1.bas\r\nClass=Class1.cls\r\n"
                         "Module=Hidden; .hidden.bas\r\nName=\"App\"\r\n");
  t = Run(Connected() +
          "select Hidden\nanswer msgbox OK\nclick \"Project Window Related Documents Folder\" \"Delta "
          "&Compare\"\n");
  EXPECT_EQ(With(t, "\"event\":\"msgbox\"").size(), 1u);
  EXPECT_TRUE(Executes(t, "-C ").empty());

  // A blank in a long directory: both names in the command are the engine form.
  testing_support::Write(tmp / "App/Sub Folder/Deep.bas", "Attribute VB_Name = \"Deep\"\r\n");
  testing_support::Write(tmp / "App/App.vbp",
                         "Type=Exe\r\nModule=Deep; Sub Folder\\Deep.bas\r\nName=\"App\"\r\n");
  t = Run(Connected() +
          "select Deep\nclick \"Project Window Form Folder\" \"Delta &Compare\"\n"
          "answer dialog frmVersions close\nclick \"Project Window Form Folder\" \"Version &History\"\n");
  Lines compare = Executes(t, "-C ");
  ASSERT_EQ(compare.size(), 1u);
  std::string f = compare[0].substr(3, (compare[0].size() - 4) / 2);
  EXPECT_EQ(compare[0], "-C " + f + " " + f);
  EXPECT_EQ(f.find(' '), std::string::npos);
  EXPECT_EQ(f.substr(f.size() - 9), "\\Deep.bas");
  EXPECT_EQ(Executes(t, "L "), Lines{"L " + f});
  EXPECT_EQ(json::parse(With(t, "\"phase\":\"shown\"")[0])["caption"], "Version History of " + f + " (Deep)");
}

TEST_F(HistoryAndEvents, EveryMenuReachesItsOperation) {
  std::string script = Connected() + "select Class1\n";
  for (const char* bar : {"Project Window Form Folder", "Project Window Module/Class Folder",
                          "Project Window Related Documents Folder"}) {
    script += std::string("answer dialog frmVersions close\nclick \"") + bar + "\" \"Version &History\"\n";
    script += std::string("click \"") + bar + "\" \"Delta &Compare\"\n";
  }
  Lines t = Run(script);
  std::string f = Win("App\\Class1.cls");
  EXPECT_EQ(Executes(t, "L "), (Lines(3, "L " + f)));
  EXPECT_EQ(Executes(t, "-C "), (Lines(3, "-C " + f + " " + f)));
  EXPECT_EQ(With(t, "\"form\":\"frmVersions\",\"action\":\"unload\"").size(), 3u);
}

TEST_F(HistoryAndEvents, OptionsSendsConfigThenRelinksUnlessRefused) {
  Lines t = Run(Connected() + "click Tools \"&Version Control Options\"\n");
  Lines all = Executes(t, "");
  auto config = std::find(all.begin(), all.end(), "CONFIG");
  ASSERT_NE(config, all.end());
  ASSERT_NE(config + 1, all.end());
  EXPECT_EQ((config + 1)->substr(0, 3), "CD ");  // the re-link follows at once
  EXPECT_EQ(With(t, "\"text\":\"Linking...\"").size(), 2u);

  t = Run(Connected() + "engine refuse CONFIG\nclick Tools \"&Version Control Options\"\n");
  EXPECT_EQ(
      With(t, "\"event\":\"error\""),
      Lines{
          R"({"event":"error","where":"Click","number":285,"description":"Foreign application won't perform DDE method or operation"})"});
  EXPECT_EQ(With(t, "\"text\":\"Linking...\"").size(), 1u);
}

TEST_F(HistoryAndEvents, RunTheEngineInteractively) {
  Lines t = Run(Connected() + "click Tools \"Run &NORB for Windows\"\n");
  EXPECT_EQ(
      With(t, "\"event\":\"launch\"").back(),
      R"({"event":"launch","command":")" + Win("bin\\WNORB16", true) + R"(","style":1,"started":false})");
  std::filesystem::remove(tmp / "bin/WNORB16.EXE");
  t = Run("answer msgbox OK\nanswer msgbox OK\n" + Connected() + "click Tools \"Run &NORB for Windows\"\n");
  EXPECT_EQ(
      With(t, "\"event\":\"msgbox\"").back(),
      R"({"event":"msgbox","text":"WNORB16.EXE not found.  Make sure that the add-in exe is in the NORB dir...","style":0,"answer":"OK"})");
}

TEST_F(HistoryAndEvents, WritesToReadOnlyFilesAreRefusedWhateverTheLockMode) {
  // Never refused, read-only or not: a new form with no file yet, a hidden file, a directory.
  testing_support::Write(tmp / "App/.hidden.frm", "");
  std::filesystem::create_directories(tmp / "App/Sub");
  std::string root = "C:" + tmp.path();
  std::replace(root.begin(), root.end(), '/', '\\');
  const std::string others = "readonly App/.hidden.frm on\nreadonly App/Sub on\nevent RequestWriteFile " +
                             root + "\\App\\Form2.frm\nevent RequestWriteFile " + root +
                             "\\App\\.hidden.frm\nevent RequestWriteFile " + root + "\\App\\Sub\n";
  for (const char* mode : {"Y", "N"}) {
    std::ofstream(tmp / "App/Form1.frm", std::ios::binary) << "original";
    Lines t =
        Run(Connected(mode) + "readonly App/Form1.frm on\nanswer msgbox OK\nsave Form1\nsave Module1\n" +
            others + "readonly App/Form1.frm off\n");
    std::string f = Win("App\\Form1.frm", true);
    EXPECT_EQ(With(t, "\"event\":\"msgbox\""),
              Lines{R"({"event":"msgbox","text":"Visual Basic has just requested to write )" + f +
                    R"(, which is read-only.\r\rRequest denied. \r\r","style":64,"answer":"OK"})"})
        << mode;
    EXPECT_EQ(
        With(t, "\"event\":\"write\""),
        (Lines{R"({"event":"write","path":")" + f + R"(","written":false})",
               R"({"event":"write","path":")" + Win("App\\Form1.frx", true) + R"(","written":true})",
               R"({"event":"write","path":")" + Win("App\\Module1.bas", true) + R"(","written":true})"}));
    std::ifstream in(tmp / "App/Form1.frm", std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()),
              "original");
    Lines requests = With(t, "\"name\":\"RequestWriteFile\"");
    ASSERT_EQ(requests.size(), 6u);
    for (std::size_t i = 3; i < 6; ++i)
      EXPECT_NE(requests[i].find("\"cancel\":false"), std::string::npos) << requests[i];
    EXPECT_TRUE(With(t, "\"event\":\"error\"").empty());
  }
}

TEST_F(HistoryAndEvents, RenamingAReadOnlyFileIsRefusedOnlyInLockMode) {
  std::string fresh = Win("App\\Module2.bas", true);
  Lines t = Run(Connected("Y") +
                "readonly App/Module1.bas on\nanswer msgbox OK\nsaveas Module1 App/Module2.bas\n"
                "readonly App/Module1.bas off\n");
  EXPECT_EQ(With(t, "\"event\":\"msgbox\""),
            Lines{R"({"event":"msgbox","text":"Visual Basic has just requested to write )" + fresh +
                  R"(, which is read-only.\r\rRequest denied. ","style":64,"answer":"OK"})"});
  EXPECT_NE(With(t, "\"name\":\"DoGetNewFileName\"")[0].find("\"cancel\":true"), std::string::npos);
  EXPECT_TRUE(With(t, "\"name\":\"AfterChangeFileName\"").empty());

  t = Run(Connected("N") +
          "readonly App/Module1.bas on\nsaveas Module1 App/Module2.bas\nreadonly App/Module1.bas off\n");
  EXPECT_TRUE(With(t, "\"event\":\"msgbox\"").empty());
  EXPECT_EQ(With(t, "\"name\":\"AfterChangeFileName\"").size(), 1u);
  // The project file is never refused here.
  t = Run(Connected("Y") +
          "readonly App/App.vbp on\nsaveas project App/Renamed.vbp\nreadonly App/App.vbp off\n");
  EXPECT_NE(With(t, "\"name\":\"DoGetNewFileName\"")[0].find("\"cancel\":false"), std::string::npos);
}

TEST_F(HistoryAndEvents, AProjectRenameOrNewProjectRelinksOnceAFormRenameDoesNot) {
  Lines t = Run(Connected() + "saveas Form1 App/Main.frm\n");
  EXPECT_EQ(With(t, "\"text\":\"Linking...\"").size(), 1u);  // start-up's only
  EXPECT_EQ(With(t, "\"name\":\"AfterChangeFileName\"").size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(tmp / "App/Main.frx"));

  t = Run(Connected() + "saveas project App/Renamed.vbp\n");
  EXPECT_EQ(With(t, "\"text\":\"Linking...\"").size(), 2u);
  EXPECT_EQ(Executes(t, "CD ").size(), 2u);

  t = Run(Connected() + "new project\n");
  EXPECT_EQ(With(t, "\"text\":\"Linking...\"").size(), 2u);
  EXPECT_EQ(Executes(t, "CD ").size(), 1u);  // the new project was never saved
}

TEST_F(HistoryAndEvents, TheProjectsRequestsReachTheOperations) {
  Lines t = Run(Connected() +
                "answer dialog frmExtract select Class1 ok\nrequest Fetch\n"
                "answer dialog frmExtract select Class1 ok\nrequest CheckOut\n"
                "answer dialog frmUpdate select Class1 ok\nrequest UnCheckOut\n"
                "answer dialog frmUpdate select Class1 cancel\nrequest CheckIn\n");
  std::string f = Win("App\\Class1.cls");
  Lines sent;
  for (const auto& c : Executes(t, "")) {
    if (c.rfind("E", 0) == 0 || c.rfind("U", 0) == 0) sent.push_back(c);
  }
  EXPECT_EQ(sent, (Lines{"EBFW " + f, "EW " + f, "UDW " + f}));
}

}  // namespace
