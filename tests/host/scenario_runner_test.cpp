#include "host/scenario_runner.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <thread>

#include "host/scenario_lexer.hpp"
#include "tests/dde/child_process.hpp"
#include "tests/support/temp_folder.hpp"

namespace {

using testing_support::TempFolder;

class Runner : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::CopyTree(std::string(NORB_SOURCE_DIR) + "/examples/Timesheet", tmp / "Timesheet");
  }
  // Runs `text` as a scenario file; answers the error message, "" when it ran through.
  std::string Run(const std::string& text) {
    tmp.Write("s.scn", text);
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

// readonly is Windows' read-only attribute: the owner's write bit of a regular file, nothing else.
TEST_F(Runner, ReadonlyChangesOnlyTheOwnersWriteBitOfARegularFile) {
  auto mode = [](const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
  };
  struct Case {
    mode_t before;
    const char* on_off;
    mode_t after;
  } cases[] = {{0666, "on", 0466},  {0466, "off", 0666}, {0640, "on", 0440},
               {0444, "off", 0644}, {0444, "on", 0444},  {0755, "off", 0755}};
  for (const Case& c : cases) {
    std::string file = tmp.Write("f.txt", "x", c.before);
    EXPECT_EQ(Run(std::string("readonly f.txt ") + c.on_off + "\n"), "") << std::oct << c.before;
    EXPECT_EQ(mode(file), c.after) << std::oct << c.before << " " << c.on_off;
  }
  // A FIFO, and a link to one, keep their mode; the error names the path as written.
  std::string fifo = tmp / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ::chmod(fifo.c_str(), 0666);
  std::filesystem::create_symlink(fifo, tmp / "link");
  std::string where = tmp / "s.scn";
  EXPECT_EQ(Run("readonly pipe on\n"), where + ":1: cannot change pipe: not a regular file");
  EXPECT_EQ(Run("readonly link on\n"), where + ":1: cannot change link: not a regular file");
  EXPECT_EQ(mode(fifo), 0666u);
  EXPECT_EQ(Run("readonly nothing.txt on\n"),
            where + ":1: cannot change nothing.txt: No such file or directory");
}

// vbhost's exit status and messages, run as a child with a bounded wait, so that a reader that
// blocks fails the test instead of hanging it: a FIFO where a project or a group's startup project
// is expected is refused at once. A transcript that cannot be written whole is a failure, into a
// file or on standard output. A setting vbhost cannot start with is named, and its private bus
// is not left behind.
TEST_F(Runner, VbhostsExitStatusAndMessages) {
  ASSERT_EQ(::mkfifo((tmp / "Pipe.vbp").c_str(), 0600), 0);
  tmp.Write("G.vbg", "VBGROUP 5.0\r\nStartupProject=Pipe.vbp\r\n");
  const std::string scn = tmp / "s.scn", to_file = " --transcript '" + (tmp / "t.jsonl") + "'";
  const std::string fifo = tmp.Windows("Pipe.vbp") + " is a FIFO, not a regular file\n";
  const std::string full = "vbhost: cannot write the transcript to ";
  const std::string own_folder = std::filesystem::path(NORB_VBHOST).parent_path().string();
  struct Case {
    std::string scenario, redirect;
    int exit_code;
    std::string output;
    std::string drives = "C:=/";
  };
  const Case cases[] = {
      {"open Timesheet/Timesheet.vbp\nshow states\n", " --transcript '" + (tmp / "good.jsonl") + "'", 0, ""},
      {"open Timesheet/Timesheet.vbp\n# a comment and a blank line count\n\nfrobnicate\n", to_file, 2,
       "vbhost: " + scn + ":4: unknown command frobnicate\n"},
      {"open Pipe.vbp\n", to_file, 2, "vbhost: " + scn + ":1: cannot open Pipe.vbp: " + fifo},
      {"open G.vbg\n", to_file, 2, "vbhost: " + scn + ":1: cannot open G.vbg: " + fifo},
      {"show states\n", " --transcript /dev/full", 1, full + "/dev/full\n"},
      {"show states\n", " >/dev/full", 1, full + "standard output\n"},
      {"show states\n", to_file, 2,
       "vbhost: NORB_DRIVES=D:=/x maps no drive onto vbhost's own folder " + own_folder +
           "; map one onto it or onto a folder above it (C:=/ maps all)\n",
       "D:=/x"},
      {"show states\n", to_file, 2,
       "vbhost: NORB_DRIVES: bad entry \"C\" (expected a letter, \":=\" and an absolute folder)\n", "C"},
  };
  const std::string bus_tmp = tmp.MakeDir("bus");
  for (const Case& c : cases) {
    tmp.Write("s.scn", c.scenario);
    auto got =
        testing_support::ChildProcess({"sh", "-c",
                                       "exec env -u DBUS_SESSION_BUS_ADDRESS TMPDIR='" + bus_tmp +
                                           "' NORB_DRIVES='" + c.drives + "' '" + std::string(NORB_VBHOST) +
                                           "' run --bus private '" + scn + "' 2>&1" + c.redirect})
            .Finish(std::chrono::seconds(20));
    EXPECT_EQ(got.exit_code, c.exit_code) << c.scenario << c.redirect;
    EXPECT_EQ(got.output, c.output) << c.scenario << c.redirect;
    EXPECT_TRUE(std::filesystem::is_empty(bus_tmp)) << c.drives;
  }
  EXPECT_NE(testing_support::Contents(tmp / "good.jsonl").find("\"Release Notes.txt\":0"), std::string::npos);
}

TEST_F(Runner, VbhostRemovesItsPrivateBusWhenASignalEndsIt) {
  // The scenario is a pipe nobody writes to: vbhost waits on it with its bus started.
  for (int signal_number : {SIGTERM, SIGINT}) {
    TempFolder run_tmp;
    std::string fifo = run_tmp / "wait.scn";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    testing_support::ChildProcess vbhost(
        {"env", "-u", "DBUS_SESSION_BUS_ADDRESS", "TMPDIR=" + run_tmp.path(), NORB_VBHOST, "run", fifo});
    auto bus_folders = [&] {
      int n = 0;
      for (const auto& e : std::filesystem::directory_iterator(run_tmp.path())) {
        n += e.path().filename().string().rfind("dde-bus-", 0) == 0;
      }
      return n;
    };
    for (int i = 0; i < 500 && bus_folders() == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(bus_folders(), 1);
    // The folder comes a moment before vbhost arms its clean-up; the daemon's answer, after.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(vbhost.pid(), signal_number);
    vbhost.Finish(std::chrono::seconds(5));
    EXPECT_EQ(bus_folders(), 0) << signal_number;
  }
}

// A group opens its startup project only when that is a project inside the group's folders; every
// other group, and a folder, is an error naming the file and line, never an empty project.
TEST_F(Runner, GroupsOpenOnlyAProjectInsideTheirFolders) {
  tmp.Write("Bad.vbp", std::string("Type=Exe\r\nForm=frm\0Timesheet.frm\r\n", 34));
  std::filesystem::create_directories(tmp / "Sub");
  struct Case {
    std::string group;  // the group file's text
    std::string error;  // "" when it opens
  };
  const std::string g = tmp.Windows("G.vbg"), v = "VBGROUP 5.0\r\n";
  const Case cases[] = {
      {v + "StartupProject=Timesheet\\Timesheet.vbp\r\n", ""},
      {v + "StartupProject=Sub\\..\\G.vbg\r\n", g + ":2: the startup project is the group itself"},
      {v + "Project=Timesheet\\Timesheet.vbp\r\nStartupProject=Other.VBG\r\n",
       g + ":3: the startup project is a project group"},
      {v + "StartupProject=..\\Timesheet\\Timesheet.vbp\r\n",
       g + ":2: the startup project lies outside the group's folders"},
      {v + "StartupProject=Bad.vbp\r\n", tmp.Windows("Bad.vbp") + ":2: a NUL byte"},
      {v + "StartupProject=Gone.vbp\r\n", tmp.Windows("Gone.vbp") + ": File not found"},
      {v + "StartupProject=Sub\r\n", tmp.Windows("Sub") + " is a folder, not a regular file"},
      {v + "Project=Timesheet\\Timesheet.vbp\r\n", g + ": no StartupProject= line"},
      {"Type=Exe\r\n", g + ":1: not a project group"},
  };
  for (const Case& c : cases) {
    tmp.Write("G.vbg", c.group);
    std::string error = Run("open G.vbg\n");
    EXPECT_EQ(error, c.error.empty() ? "" : (tmp / "s.scn") + ":1: cannot open G.vbg: " + c.error) << c.group;
  }
  // A startup project beside another project of the group is inside the group's folders.
  tmp.Write(
      "Sub/G.vbg",
      "VBGROUP 5.0\r\nProject=..\\Timesheet\\Other.vbp\r\nStartupProject=..\\timesheet\\Timesheet.vbp\r\n");
  EXPECT_EQ(Run("open Sub/G.vbg\nshow states\n"), "");
}

}  // namespace
