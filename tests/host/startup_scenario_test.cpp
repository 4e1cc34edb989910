// Start-up, re-link and shutdown of the engine link, as a person and the engine see them.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>

#include "posix/path_resolver.hpp"
#include "tests/host/scenario_fixture.hpp"

namespace {

using Lines = std::vector<std::string>;

class Startup : public testing_support::ScenarioFixture {};

const char* kScripted =
    "open App/App.vbp\n"
    "engine scripted\n";

TEST_F(Startup, LockModeOnQueriesEveryComponentAndWritesOnlyChangedStates) {
  Lines t = Run(std::string(kScripted) +
                "engine reply G2LOCKING Y\n"
                "engine reply \"T \" \"F is not checked out\\r\\n\" \"M: NO LOCK FILE\\r\\n\" \"C is checked "
                "out to you\\r\\n\"\n"
                "addin connectaddin\n"
                "show states\n");
  Lines expected = {
      // The process starts with Sub Main, which finds the add-in registered.
      R"({"event":"profile","action":"read","file":"vbaddin.ini","section":"Add-Ins32","key":"NORBVB5.nvb5VersionControl","value":"0","ok":true})",
      R"({"event":"form","form":"frmSplash","action":"load"})",
      R"({"event":"caption","form":"frmSplash","control":"lblVersion","text":"v5.0.1"})",
      R"({"event":"form","form":"frmSplash","action":"show"})",
      R"({"event":"caption","form":"frmSplash","control":"lblCap","text":" Connecting..."})",
      R"({"event":"caption","form":"frmSplash","control":"lblCap","text":"Loading ..."})",
      R"({"event":"launch","command":"$DIR\\bin\\WNORB16 -L","style":1,"started":false})",
      R"({"event":"caption","form":"frmSplash","control":"lblCap","text":"Linking..."})",
      R"({"event":"form","form":"frmDDE","action":"load"})",
      R"({"event":"link","control":"Text1","topic":"WNORB16|frmMain","item":"","mode":2,"ok":true})",
      R"({"event":"link","control":"Text2","topic":"WNORB16|frmCmd","item":"txtStatus","mode":1,"ok":true})",
      R"({"event":"execute","topic":"WNORB16|frmMain","command":"CD $DIR\\App\\","ok":true})",
      R"({"event":"execute","topic":"WNORB16|frmMain","command":"G2LOCKING","ok":true})",
      R"({"event":"lockmode","value":1})",
      R"({"event":"caption","form":"frmSplash","control":"lblCap","text":"Checking project..."})",
      R"({"event":"progress","form":"frmSplash","control":"ProgressBar1","max":2})",
      R"({"event":"progress","form":"frmSplash","control":"ProgressBar1","value":0})",
      R"({"event":"caption","form":"frmSplash","control":"lblCap","text":"Form1"})",
      R"({"event":"execute","topic":"WNORB16|frmMain","command":"T $DIR\\App\\Form1.frm","ok":true})",
      R"({"event":"state","component":"Form1","value":1})",
      R"({"event":"progress","form":"frmSplash","control":"ProgressBar1","value":1})",
      R"({"event":"caption","form":"frmSplash","control":"lblCap","text":"Module1"})",
      R"({"event":"execute","topic":"WNORB16|frmMain","command":"T $DIR\\App\\Module1.bas","ok":true})",
      R"({"event":"progress","form":"frmSplash","control":"ProgressBar1","value":2})",
      R"({"event":"caption","form":"frmSplash","control":"lblCap","text":"Class1"})",
      R"({"event":"execute","topic":"WNORB16|frmMain","command":"T $DIR\\App\\Class1.cls","ok":true})",
      R"({"event":"state","component":"Class1","value":3})",
      R"({"event":"caption","form":"frmSplash","control":"lblCap","text":"Ready..."})",
      R"({"event":"caption","form":"frmSplash","control":"lblCap","text":"Ready..."})",
      R"({"event":"form","form":"frmSplash","action":"hide"})",
      R"({"event":"form","form":"frmSplash","action":"unload"})",
      R"({"event":"states","show":true,"components":{"Form1":1,"Module1":0,"Class1":3}})",
  };
  // The temp folder's name is long, so "CD " carries its short form: compare that line apart.
  ASSERT_EQ(t.size(), expected.size()) << ::testing::PrintToString(t);
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (expected[i].find("\"CD ") != std::string::npos) {
      EXPECT_EQ(t[i].rfind(R"({"event":"execute","topic":"WNORB16|frmMain","command":"CD C:\\tmp\\)", 0), 0u)
          << t[i];
      EXPECT_NE(t[i].find(R"(~1\\App\\","ok":true})"), std::string::npos) << t[i];
      continue;
    }
    EXPECT_EQ(t[i], expected[i]) << "line " << i;
  }
}

TEST_F(Startup, LockModeOffSendsNoLockQuery) {
  Lines t = Run(std::string(kScripted) + "engine reply G2LOCKING N\naddin connectaddin\n");
  EXPECT_TRUE(With(t, "\"command\":\"T ").empty());
  EXPECT_EQ(With(t, "\"event\":\"lockmode\""), Lines{R"({"event":"lockmode","value":0})"});
  EXPECT_TRUE(With(t, "\"event\":\"state\"").empty());
  // The pass still walks the components for unsaved work and missing files.
  EXPECT_EQ(With(t, "\"text\":\"Class1\"").size(), 1u);
}

TEST_F(Startup, OnlyAnExactYTurnsLockModeOn) {
  for (const char* answer : {"Y", "Y ", "y", "Yes", ""}) {
    Lines t = Run(std::string(kScripted) + "engine reply G2LOCKING \"" + answer +
                  "\"\naddin connectaddin\nshow lockmode\n");
    int expected = std::string(answer) == "Y" ? 1 : 0;
    EXPECT_EQ(With(t, "\"show\":true").back(), R"({"event":"lockmode","show":true,"value":)" +
                                                   std::to_string(expected) + R"(,"gLockMode":)" +
                                                   std::to_string(expected) + "}")
        << "answer \"" << answer << "\"";
  }
}

TEST_F(Startup, CdTakesTheShortDirectoryAndARefusedLockQueryKeepsTheLockMode) {
  testing_support::Write(tmp / "Work Dir/W.vbp", "Type=Exe\r\nModule=Module1; Module1.bas\r\nName=\"W\"\r\n");
  testing_support::Write(tmp / "Work Dir/Module1.bas", "Attribute VB_Name = \"Module1\"\r\n");
  Lines t =
      Run("open \"Work Dir/W.vbp\"\nengine scripted\nengine reply G2LOCKING Y\n"
          "engine reply \"T \" \"is not checked out\\r\\n\"\naddin connectaddin\n"
          "engine refuse G2LOCKING\naddin rcnct\nshow lockmode\n");
  std::string dir = "C:" + tmp.path() + "/Work Dir/";
  std::replace(dir.begin(), dir.end(), '/', '\\');
  std::string short_dir = posix::PathResolver(posix::DriveMap::Parse("C:=/")).ToShort(dir).value();
  ASSERT_EQ(short_dir.find(' '), std::string::npos);
  Lines cd = With(t, "\"command\":\"CD ");
  ASSERT_EQ(cd.size(), 2u);  // start-up and re-link
  EXPECT_EQ(nlohmann::json::parse(cd[0])["command"], "CD " + short_dir);
  EXPECT_EQ(With(t, "\"command\":\"G2LOCKING\"").back(),
            R"({"event":"execute","topic":"WNORB16|frmMain","command":"G2LOCKING","ok":false,"number":285})");
  EXPECT_EQ(t.back(), R"({"event":"lockmode","show":true,"value":1,"gLockMode":1})");
  EXPECT_EQ(With(t, "\"command\":\"T ").size(), 2u);  // the re-link still queries in lock mode
}

TEST_F(Startup, MissingEngineGivesOneMessageAndStartUpGoesOn) {
  std::filesystem::remove(tmp / "bin/WNORB16.EXE");
  Lines t = Run("open App/App.vbp\nanswer msgbox OK\naddin connectaddin\n");
  Lines boxes = With(t, "\"event\":\"msgbox\"");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(
      boxes[0],
      R"({"event":"msgbox","text":"$DIR\\bin\\WNORB16.EXE not found.  Make sure that the add-in exe is in the NORB dir...","style":0,"answer":"OK"})");
  EXPECT_TRUE(With(t, "\"event\":\"launch\"").empty());
  EXPECT_EQ(
      With(t, "\"control\":\"lblCap\""),
      (Lines{R"({"event":"caption","form":"frmSplash","control":"lblCap","text":" Connecting..."})",
             R"({"event":"caption","form":"frmSplash","control":"lblCap","text":"Loading ..."})",
             R"({"event":"caption","form":"frmSplash","control":"lblCap","text":"Linking..."})",
             R"({"event":"caption","form":"frmSplash","control":"lblCap","text":"Checking project..."})",
             R"({"event":"caption","form":"frmSplash","control":"lblCap","text":"Form1"})",
             R"({"event":"caption","form":"frmSplash","control":"lblCap","text":"Module1"})",
             R"({"event":"caption","form":"frmSplash","control":"lblCap","text":"Class1"})",
             R"({"event":"caption","form":"frmSplash","control":"lblCap","text":"Ready..."})",
             R"({"event":"caption","form":"frmSplash","control":"lblCap","text":"Ready..."})"}));
  // No server answers: both links fail, so no command goes out and lock mode stays off.
  EXPECT_EQ(
      With(t, "\"event\":\"link\""),
      (Lines{
          R"({"event":"link","control":"Text1","topic":"WNORB16|frmMain","item":"","mode":2,"ok":false,"number":282})",
          R"({"event":"link","control":"Text2","topic":"WNORB16|frmCmd","item":"txtStatus","mode":1,"ok":false,"number":282})"}));
  Lines executes = With(t, "\"event\":\"execute\"");
  ASSERT_EQ(executes.size(), 2u);
  EXPECT_NE(executes[0].find(R"("command":"CD C:\\tmp\\)"), std::string::npos);
  EXPECT_NE(executes[0].find(R"("ok":false,"number":293})"), std::string::npos);
  EXPECT_EQ(executes[1],
            R"({"event":"execute","topic":"WNORB16|frmMain","command":"G2LOCKING","ok":false,"number":293})");
  EXPECT_EQ(With(t, "\"event\":\"lockmode\""), Lines{R"({"event":"lockmode","value":0})"});
  EXPECT_EQ(t.back(), R"({"event":"form","form":"frmSplash","action":"unload"})");
}

TEST_F(Startup, AnUnsavedProjectSendsNoChangeOfDirectory) {
  Lines t = Run("new project\nengine scripted\nengine reply G2LOCKING Y\naddin connectaddin\n");
  EXPECT_TRUE(With(t, "\"command\":\"CD").empty());
  EXPECT_EQ(With(t, "\"event\":\"execute\""),
            Lines{R"({"event":"execute","topic":"WNORB16|frmMain","command":"G2LOCKING","ok":true})"});
  // An empty project: the walk's maximum would be -1, which the bar refuses, so the pass stops
  // before its "Ready..." and start-up writes its own.
  EXPECT_TRUE(With(t, "\"event\":\"progress\"").empty());
  EXPECT_EQ(With(t, "\"text\":\"Ready...\"").size(), 1u);
}

TEST_F(Startup, ThePassStopsAtAModifiedComponentOrAMissingFile) {
  Lines t = Run(std::string(kScripted) +
                "engine reply G2LOCKING Y\nengine reply \"T \" \"is not checked out\\r\\n\"\n"
                "edit Class1\naddin connectaddin\n");
  EXPECT_EQ(With(t, "\"command\":\"T ").size(), 2u);
  EXPECT_TRUE(With(t, "\"text\":\"Class1\"").empty());
  EXPECT_EQ(With(t, "\"text\":\"Ready...\"").size(), 2u);

  std::filesystem::remove(tmp / "App/Module1.bas");
  t = Run(std::string(kScripted) +
          "engine reply G2LOCKING Y\nengine reply \"T \" \"is not checked out\\r\\n\"\naddin connectaddin\n");
  EXPECT_EQ(
      With(t, "\"command\":\"T "),
      Lines{R"({"event":"execute","topic":"WNORB16|frmMain","command":"T $DIR\\App\\Form1.frm","ok":true})"});
  EXPECT_EQ(With(t, "\"text\":\"Module1\"").size(), 1u);  // reached, then stopped at its missing file
}

TEST_F(Startup, RelinkFollowsTheNewProjectEvenWhenTheOldOneIsGone) {
  Lines t = Run(std::string(kScripted) +
                "engine reply G2LOCKING Y N\n"
                "addin connectaddin\n"
                "new project\n"  // the IDE's AfterNewProject re-links the add-in
                "show lockmode\n");
  std::size_t relink = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i].find("\"action\":\"unload\"") != std::string::npos && relink == 0) relink = i + 1;
  }
  Lines after(t.begin() + static_cast<std::ptrdiff_t>(relink), t.end());
  EXPECT_EQ(
      after,
      (Lines{
          R"({"event":"form","form":"frmSplash","action":"load"})",
          R"({"event":"caption","form":"frmSplash","control":"lblVersion","text":"v5.0.1"})",
          R"({"event":"form","form":"frmSplash","action":"show"})",
          R"({"event":"caption","form":"frmSplash","control":"lblCap","text":"Linking..."})",
          R"({"event":"caption","form":"frmSplash","control":"lblCap","text":"Checking project..."})",
          R"({"event":"execute","topic":"WNORB16|frmMain","command":"G2LOCKING","ok":true})",
          R"({"event":"form","form":"frmSplash","action":"unload"})",
          // reported once delivered, with what the sinks left in Cancel
          R"({"event":"fileevent","name":"AfterNewProject","args":{"projectname":"Project1"},"cancel":false})",
          // re-link does not touch the lock-mode property
          R"({"event":"lockmode","show":true,"value":1,"gLockMode":0})",
      }));
}

TEST_F(Startup, AfterCloseDownNothingOfTheAddinRuns) {
  Lines t = Run(std::string(kScripted) +
                "engine reply G2LOCKING N\n"
                "addin connectaddin\n"
                "addin disconnectaddin\n"
                "show links\n");
  Lines tail(t.end() - 5, t.end());
  EXPECT_EQ(
      tail,
      (Lines{
          R"({"event":"link","control":"Text2","topic":"WNORB16|frmCmd","item":"txtStatus","mode":0,"ok":true})",
          R"({"event":"link","control":"Text1","topic":"WNORB16|frmMain","item":"","mode":0,"ok":true})",
          R"({"event":"form","form":"frmDDE","action":"unload"})",
          R"({"event":"end"})",
          R"({"event":"links","show":true,"links":[]})",
      }));
}

}  // namespace
