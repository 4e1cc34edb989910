#include "host/scenario_runner.hpp"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "host/scenario_lexer.hpp"
#include "tests/host/temp_folder.hpp"

namespace {

using testing_support::TempFolder;

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class Runner : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::CopyTree(std::string(NORB_SOURCE_DIR) + "/examples/Timesheet", tmp / "Timesheet");
  }
  // Runs `text` as a scenario file; answers the error message, "" when it ran through.
  std::string Run(const std::string& text) {
    WriteFile(tmp / "s.scn", text);
    vbhost::ScenarioRunner runner(out, vbhost::RunnerOptions{tmp.path(), "", false});
    try {
      runner.RunFile(tmp / "s.scn");
    } catch (const vbhost::ScenarioError& e) {
      return e.what();
    }
    return "";
  }
  TempFolder tmp;
  std::ostringstream out;
};

TEST_F(Runner, ScenarioErrorsNameTheFileAndLine) {
  std::string where = tmp / "s.scn";
  EXPECT_EQ(Run("# one\n\nfrobnicate\n"), where + ":3: unknown command frobnicate");
  EXPECT_EQ(Run("open Timesheet/Timesheet.vbp\nanswer msgbox Maybe\n"), where + ":2: usage: answer msgbox OK|Yes|No");
  EXPECT_EQ(Run("engine reply T x\n"), where + ":1: engine reply needs \"engine scripted\" first");
  EXPECT_EQ(Run("engine \"bad\\z\"\n"), where + ":1: unknown escape \\z inside quotes");
  EXPECT_EQ(Run("engine warp\n"),
            where + ":1: unknown form of engine (known: engine scripted, engine reply PREFIX TEXT..., "
                    "engine refuse PREFIX, engine absent, engine status TEXT, engine real, engine comment TEXT...)");
  EXPECT_EQ(Run("open Timesheet/Timesheet.vbp extra\n"), where + ":1: usage: open PATH");
  EXPECT_EQ(Run("open Timesheet/Timesheet.vbp\nedit frmNothing\n"), where + ":2: the project has no component frmNothing");
  EXPECT_EQ(Run("edit project\n"), where + ":1: no project is open");
  EXPECT_NE(Run("open nowhere.vbp\n").find(":1: cannot open nowhere.vbp: File not found"), std::string::npos);
}

TEST_F(Runner, ShowStatesListsComponentsInOrder) {
  EXPECT_EQ(Run("open Timesheet/Timesheet.vbp\nedit CEntry\nshow states\n"), "");
  EXPECT_EQ(out.str(),
            "{\"event\":\"states\",\"show\":true,\"components\":{\"frmTimesheet\":0,\"modRates\":0,\"CEntry\":0,"
            "\"Release Notes.txt\":0}}\n");
}

TEST_F(Runner, ReadOnlyTogglesTheOwnersWriteBit) {
  std::string file = tmp / "Timesheet/modRates.bas";
  EXPECT_EQ(Run("readonly Timesheet/modRates.bas on\n"), "");
  EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::owner_write, std::filesystem::perms::none);
  EXPECT_EQ(Run("readonly Timesheet/MODRATES.BAS off\n"), "");
  EXPECT_TRUE((std::filesystem::status(file).permissions() & std::filesystem::perms::owner_write) !=
              std::filesystem::perms::none);
}

TEST_F(Runner, VbhostExitsTwoOnAScenarioErrorAndWritesTheTranscriptFile) {
  WriteFile(tmp / "good.scn", "open Timesheet/Timesheet.vbp\nshow states\n");
  WriteFile(tmp / "bad.scn", "open Timesheet/Timesheet.vbp\nfrobnicate\n");
  std::string vbhost = NORB_VBHOST;
  int good = std::system((vbhost + " run " + (tmp / "good.scn") + " --transcript " + (tmp / "t.jsonl")).c_str());
  EXPECT_EQ(WEXITSTATUS(good), 0);
  EXPECT_NE(ReadFile(tmp / "t.jsonl").find("\"Release Notes.txt\":0"), std::string::npos);
  int bad = std::system((vbhost + " run " + (tmp / "bad.scn") + " 2>" + (tmp / "err.txt") + " >/dev/null").c_str());
  EXPECT_EQ(WEXITSTATUS(bad), 2);
  EXPECT_EQ(ReadFile(tmp / "err.txt"), "vbhost: " + (tmp / "bad.scn") + ":2: unknown command frobnicate\n");
}

}  // namespace
