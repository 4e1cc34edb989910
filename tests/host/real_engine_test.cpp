// vbhost meeting the real engine: WNORB16.EXE launched by the add-in as a process of its own,
// linked over a private D-Bus, answering from real RCS archives.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <thread>

#include "tests/host/scenario_fixture.hpp"
#include "vbrt/code_page.hpp"

namespace {

using testing_support::RunVbhost;
using testing_support::Shell;
using testing_support::With;

using Lines = std::vector<std::string>;
using nlohmann::json;

class RealEngine : public testing_support::ScenarioFixture {
 protected:
  void SetUp() override {
    // Form1 checked out to bob (his copy is elsewhere; its .frx is free), Module1 archived and free,
    // Class1 never archived.
    std::string app = tmp / "App";
    ASSERT_EQ(Shell("cd '" + app +
                    "' && LOGNAME=bob ci -q -u -t-first -mfirst Form1.frm Form1.frx Module1.bas </dev/null"),
              0);
    ASSERT_EQ(Shell("cd '" + app + "' && LOGNAME=bob co -q -l Form1.frm </dev/null"), 0);
    ASSERT_EQ(::chmod((tmp / "App/Form1.frm").c_str(), 0444), 0);
    // The engine stands beside the add-in's executable, with its settings beside it.
    std::filesystem::copy_file(std::filesystem::path(NORB_VBHOST).parent_path() / "WNORB16.EXE",
                               tmp / "bin/WNORB16.EXE", std::filesystem::copy_options::overwrite_existing);
    tmp.Write("bin/WNORB.INI", "[Engine]\r\nLocking=Y\r\nUserID=ann\r\n");
  }

  // No engine of this run may outlive it.
  bool EngineGone() {
    for (int i = 0; i < 50; ++i) {
      // "[W]" keeps the pattern from matching the shell that runs pgrep.
      if (Shell("pgrep -f '" + (tmp / "bin/[W]NORB16.EXE") + "' >/dev/null") != 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }
};

TEST_F(RealEngine, StartUpShowsRealLocksAndACheckOutTakesTheFreeLock) {
  Lines t = RunVbhost(tmp,
                      "open App/App.vbp\n"
                      "addin connect\n"
                      "addin connectaddin\n"
                      "show states\n"
                      "show links\n"
                      "edit Module1\n"
                      "answer msgbox No\n"
                      "answer dialog frmExtract select Form1 select Module1 ok\n"
                      "click Tools \"C&heck Out\"\n"
                      "answer msgbox Yes\n"
                      "answer dialog frmUpdate cancel\n"
                      "click Tools \"Check &In\"\n"
                      "addin disconnectaddin\n");

  // The link came up right after the launch: the initiate waited for the engine's name.
  EXPECT_EQ(With(t, "\"event\":\"launch\""),
            Lines{R"({"event":"launch","command":"$DIR\\bin\\WNORB16 -L","style":1,"started":true})"});
  EXPECT_EQ(With(t, "\"event\":\"link\"").size(), 4u);  // two up at start-up, two down at shutdown
  EXPECT_EQ(With(t, "\"ok\":false"), Lines{});
  EXPECT_EQ(With(t, "\"show\":true,\"components\"")[0],
            R"({"event":"states","show":true,"components":{"Form1":5,"Module1":1,"Class1":0}})");
  EXPECT_EQ(
      With(t, "\"event\":\"links\""),
      Lines{
          R"({"event":"links","show":true,"links":[{"control":"Text1","topic":"WNORB16|frmMain","item":"","mode":2,"text":""},{"control":"Text2","topic":"WNORB16|frmCmd","item":"txtStatus","mode":1,"text":"$DIR\\App\\Class1.cls: NO LOCK FILE\r\n"}]})"});
  // The dialogs showed bob's lock from the engine's lock report, and after the check-out ann's.
  EXPECT_EQ(
      With(t, "\"phase\":\"shown\""),
      (Lines{
          R"({"event":"dialog","form":"frmExtract","phase":"shown","caption":"Check-Out [Extract]","tab":1,"rows":[{"text":"Form1","files":"Form1.frm, frx","user":"bob","type":"locked revision 1.1","icon":3,"selected":false},{"text":"Module1","files":"Module1.bas","user":"<no lock>","type":"$DIR\\App\\Module1.bas is not checked out","icon":1,"selected":false},{"text":"Class1","files":"Class1.cls","user":"<no lock>","type":"$DIR\\App\\Class1.cls: NO LOCK FILE","icon":1,"selected":false}],"sortkey":0,"sortorder":1,"sorted":false,"view":3,"options":{"CheckBrowseMode":0,"CheckFastFreshn":0,"CheckReserveLok":0,"CheckSpecifyVer":0}})", R"({"event":"dialog","form":"frmUpdate","phase":"shown","caption":"Check-In [Update]","tab":1,"rows":[{"text":"Form1","files":"Form1.frm, frx","user":"bob","type":"locked revision 1.1","icon":3,"selected":false},{"text":"Module1","files":"Module1.bas","user":"ann","type":"locked revision 1.1","icon":2,"selected":false},{"text":"Class1","files":"Class1.cls","user":"<no lock>","type":"$DIR\\App\\Class1.cls: NO LOCK FILE","icon":1,"selected":false}],"sortkey":0,"sortorder":1,"sorted":false,"view":3,"options":{"chkDisc":0,"chkFast":0,"chkKeep":0,"chkMino":0,"chkSpec":0,"chkBran":0}})"}));

  // The check-out left bob's form alone, its .frx with it, and gave ann Module1's lock and a
  // writable work file; the engine's outcome follows its command.
  EXPECT_EQ(With(t, "\"command\":\"EW ").size(), 1u);
  Lines outcome = With(t, "\"event\":\"engine\"");
  ASSERT_EQ(outcome.size(), 1u) << ::testing::PrintToString(t);
  EXPECT_EQ(
      outcome[0],
      R"({"event":"engine","text":"> EW $DIR\\App\\Form1.frm,$DIR\\App\\Form1.frx,$DIR\\App\\Module1.bas\r\n1 of 3 files extracted\r\n$DIR\\App\\Form1.frm: checked out to bob; left alone\r\n$DIR\\App\\Form1.frx: not extracted: its companion Form1.frm cannot be (checked out to bob)\r\n$DIR\\App\\Module1.bas: revision 1.1 extracted and locked\r\n"})");
  auto at = std::find(t.begin(), t.end(), outcome[0]);
  EXPECT_NE((at - 1)->find("\"event\":\"execute\""), std::string::npos) << *(at - 1);
  // Edited while read-only, so nobody asked to save it; the reload kept it on No, and now that
  // it is writable the save goes through. (The questions' texts: the scenario files.)
  EXPECT_EQ(With(t, "\"event\":\"write\""),
            Lines{R"({"event":"write","path":"$DIR\\App\\Module1.bas","written":true})"});
  EXPECT_EQ(t.back(), R"({"event":"end"})");
  EXPECT_TRUE(EngineGone());
}

// A module whose name holds letters beyond ASCII and a comma, beside a module named like the
// part after the comma: every command names the first by its short form, so the engine archives,
// extracts and restores it alone and the other's edits stay.
TEST_F(RealEngine, ACommaInANameBeyondAsciiNeverReachesTheFileBesideIt) {
  const std::string p = tmp / "P";
  const std::string odd = vb::CodePage::Find(1252)->FromUtf8("Größe,neu.bas").value();
  tmp.Write("P/P.vbp", "Type=Exe\r\nModule=Odd; " + odd + "\r\nModule=Neu; neu.bas\r\nName=\"P\"\r\n");
  tmp.Write("P/Größe,neu.bas", "Attribute VB_Name = \"Odd\"\r\n");
  tmp.Write("P/neu.bas", "Attribute VB_Name = \"Neu\"\r\n' edits nobody checked in\r\n");
  Lines t = RunVbhost(
      tmp,
      "open P/P.vbp\naddin connect\naddin connectaddin\n"
      "answer dialog frmUpdate select Odd ok\nclick Tools \"Check &In\"\n"
      "answer dialog frmExtract select Odd ok\nclick Tools \"C&heck Out\"\n"
      "answer dialog frmUpdate select Odd ok\nclick Tools \"&Undo Check Out\"\naddin disconnectaddin\n");

  EXPECT_EQ(With(t, "\"ok\":false"), Lines{});
  // The engine was told the project's folder, and no command named the long name.
  Lines sent = With(t, "\"event\":\"execute\"");
  EXPECT_EQ(With(sent, "\"command\":\"CD ").size(), 1u) << ::testing::PrintToString(sent);
  EXPECT_EQ(With(sent, "Größe"), Lines{});
  EXPECT_EQ(With(With(sent, "\"command\":\"U"), "\\\\P\\\\GRBCC3~1.BAS\"").size(), 2u);
  EXPECT_EQ(With(With(sent, "\"command\":\"EW "), "\\\\P\\\\GRBCC3~1.BAS\"").size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(p + "/Größe,neu.bas,v"));
  EXPECT_FALSE(std::filesystem::exists(p + "/neu.bas,v"));
  EXPECT_EQ(testing_support::Contents(p + "/neu.bas"),
            "Attribute VB_Name = \"Neu\"\r\n' edits nobody checked in\r\n");
  struct stat st {};
  ASSERT_EQ(::stat((p + "/neu.bas").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & S_IWUSR, 0u);
  EXPECT_TRUE(EngineGone());
}

// A project whose names are not ASCII, through lock query, history, compare and check-in. Its
// module's log was written by Linux's own ci (UTF-8); its files hold code-page text.
struct CodePageCase {
  const char* name;
  int code_page;
  std::string folder;   // below the test folder; the last case's the code page cannot spell
  std::string module;   // its file is MODULE.bas
  std::string comment;  // the log of revision 1.1
  std::string edit;     // a line the work file gains
  friend void PrintTo(const CodePageCase& c, std::ostream* out) { *out << c.name; }
};

class RealEngineCodePage : public RealEngine, public ::testing::WithParamInterface<CodePageCase> {};

TEST_P(RealEngineCodePage, NamesAndTextsOfTheCodePageCrossTheLinkBothWays) {
  const CodePageCase& c = GetParam();
  const vb::CodePage& page = *vb::CodePage::Find(c.code_page);
  auto in_page = [&](const std::string& utf8) { return page.FromUtf8(utf8).value(); };
  const std::string folder = tmp / c.folder;
  const std::string file = c.module + ".bas";
  tmp.Write(std::string(c.folder) + "/P.vbp", in_page("Type=Exe\r\nModule=" + c.module + "; " + file +
                                                      "\r\nModule=Module1; Module1.bas\r\nName=\"P\"\r\n"));
  tmp.Write(std::string(c.folder) + "/" + file, in_page("Attribute VB_Name = \"" + c.module + "\"\r\n"));
  tmp.Write(std::string(c.folder) + "/Module1.bas", "Attribute VB_Name = \"Module1\"\r\n");
  ASSERT_EQ(Shell("cd '" + folder + "' && LOGNAME=bob ci -q -u -t-first '-m" + c.comment + "' '" + file +
                  "' Module1.bas </dev/null && LOGNAME=ann co -q -l '" + file + "' Module1.bas </dev/null"),
            0);
  tmp.Write(std::string(c.folder) + "/" + file,
            in_page("Attribute VB_Name = \"" + c.module + "\"\r\n" + c.edit + "\r\n"));

  const std::string select = "select " + c.module + "\n";
  const std::string bar = "\"Project Window Module/Class Folder\"";
  Lines t =
      RunVbhost(tmp,
                "open \"" + c.folder + "/P.vbp\"\naddin connect\naddin connectaddin\nshow states\n" + select +
                    "answer dialog frmVersions ok\nclick " + bar + " \"Version &History\"\nclick " + bar +
                    " \"Delta &Compare\"\nshow links\nengine comment \"rounding fixed, see #12\"\n" +
                    "answer dialog frmUpdate select " + c.module +
                    " select Module1 ok\nclick Tools \"Check &In\"\n" + "addin disconnectaddin\n",
                "NORB_CODEPAGE=" + std::to_string(c.code_page));

  EXPECT_EQ(With(t, "\"ok\":false"), Lines{});
  EXPECT_EQ(With(t, "\"event\":\"error\""), Lines{});
  EXPECT_EQ(With(t, "\"event\":\"engine-command\""),
            Lines{R"({"event":"engine-command","command":"COMMENT rounding fixed, see #12","ok":true,)"
                  R"("answer":"Comment of ann's next check-in: rounding fixed, see #12\r\n"})"});
  // A folder the code page cannot spell goes out by its alias.
  EXPECT_TRUE(page.FromUtf8(c.folder) || !With(With(t, "\"command\":\"CD "), "~1").empty());
  // Both checked out to ann, as the lock queries answered.
  EXPECT_EQ(With(t, "\"show\":true,\"components\"")[0],
            R"({"event":"states","show":true,"components":{")" + c.module + R"(":3,"Module1":3}})");
  // The history shows the log; the compare's answer is the diff of the code-page file.
  EXPECT_EQ(With(With(With(t, "\"phase\":\"shown\""), "frmVersions"), c.comment).size(), 1u);
  json links = json::parse(With(t, "\"event\":\"links\"")[0])["links"];
  std::string answer = links[1]["text"];
  EXPECT_NE(answer.find("\r\n+" + c.edit + "\r\n"), std::string::npos) << answer;
  // The check-in stored the edit, in the file's own bytes, with the comment sent before it as its
  // log, and gave both locks up.
  std::string archive = testing_support::Contents(folder + "/" + file + ",v");
  EXPECT_NE(archive.find(in_page(c.edit)), std::string::npos);
  EXPECT_NE(archive.find("log\n@rounding fixed, see #12\n@"), std::string::npos) << archive;
  EXPECT_NE(archive.find("head\t2.1;"), std::string::npos);
  EXPECT_EQ(archive.find("ann:"), std::string::npos);
  EXPECT_EQ(testing_support::Contents(folder + "/Module1.bas,v").find("ann:"), std::string::npos);
  EXPECT_TRUE(EngineGone());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RealEngineCodePage,
    ::testing::Values(CodePageCase{"Latin", 1252, "Ansi", "Größe", "Größe geändert", "' Änderung"},
                      CodePageCase{"Cyrillic", 1251, "Проект", "Модуль", "Тест изменён", "' Изменение"},
                      // Reached by its alias, as Windows hands such a folder to a 1252 program.
                      CodePageCase{"FolderTheCodePageCannotSpell", 1252, "Тест Проект", "Größe",
                                   "Größe geändert", "' Änderung"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
