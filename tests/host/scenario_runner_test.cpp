#include "host/scenario_runner.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "host/scenario_lexer.hpp"
#include "tests/dde/child_process.hpp"
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

TEST_F(Runner, VbhostsExitStatus) {
  WriteFile(tmp / "good.scn", "open Timesheet/Timesheet.vbp\nshow states\n");
  WriteFile(tmp / "bad.scn", "open Timesheet/Timesheet.vbp\nfrobnicate\n");
  std::string vbhost = NORB_VBHOST;
  int good = std::system((vbhost + " run " + (tmp / "good.scn") + " --transcript " + (tmp / "t.jsonl")).c_str());
  EXPECT_EQ(WEXITSTATUS(good), 0);
  EXPECT_NE(ReadFile(tmp / "t.jsonl").find("\"Release Notes.txt\":0"), std::string::npos);
  int bad = std::system((vbhost + " run " + (tmp / "bad.scn") + " 2>" + (tmp / "err.txt") + " >/dev/null").c_str());
  EXPECT_EQ(WEXITSTATUS(bad), 2);
  EXPECT_EQ(ReadFile(tmp / "err.txt"), "vbhost: " + (tmp / "bad.scn") + ":2: unknown command frobnicate\n");

  // A transcript that cannot be written whole is a failure, into a file or on standard output.
  for (std::string target : {" --transcript /dev/full", " >/dev/full"}) {
    int full = std::system((vbhost + " run " + (tmp / "good.scn") + target + " 2>" + (tmp / "err.txt")).c_str());
    EXPECT_EQ(WEXITSTATUS(full), 1) << target;
    EXPECT_NE(ReadFile(tmp / "err.txt").find("vbhost: cannot write the transcript"), std::string::npos) << target;
  }
}

TEST_F(Runner, VbhostRemovesItsPrivateBusWhenASignalEndsIt) {
  // The scenario is a pipe nobody writes to: vbhost waits on it with its bus started.
  for (int signal_number : {SIGTERM, SIGINT}) {
    TempFolder run_tmp;
    std::string fifo = run_tmp / "wait.scn";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    dde_test::ChildProcess vbhost({"env", "-u", "DBUS_SESSION_BUS_ADDRESS", "TMPDIR=" + run_tmp.path(), NORB_VBHOST,
                                   "run", fifo});
    auto bus_folders = [&] {
      int n = 0;
      for (const auto& e : std::filesystem::directory_iterator(run_tmp.path())) {
        n += e.path().filename().string().rfind("dde-bus-", 0) == 0;
      }
      return n;
    };
    for (int i = 0; i < 500 && bus_folders() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(bus_folders(), 1);
    // The folder comes a moment before vbhost arms its clean-up; the daemon's answer, after.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(vbhost.pid(), signal_number);
    vbhost.Finish(std::chrono::seconds(5));
    EXPECT_EQ(bus_folders(), 0) << signal_number;
  }
}

}  // namespace
