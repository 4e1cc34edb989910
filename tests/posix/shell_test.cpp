#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "posix/shell_posix.hpp"
#include "tests/support/temp_folder.hpp"
#include "vbrt/error.hpp"

namespace posix {
namespace {

using testing_support::Contents;
using testing_support::TempFolder;

// A program that records its arguments, standard input, window style and pid in `marker`,
// which appears whole or not at all.
std::string Recorder(const std::string& marker) {
  return "#!/bin/sh\n"
         "{ for a in \"$@\"; do printf '[%s]' \"$a\"; done; echo; cat;\n"
         "  echo \"style=$NORB_WINDOW_STYLE\"; echo \"pid=$$\"; } > '" +
         marker + ".part' && mv '" + marker + ".part' '" + marker + "'\n";
}

// Waits for a file to appear; gives up after a generous bound so a lost child fails, not hangs.
bool AppearsWithin(const std::string& file, std::chrono::seconds bound) {
  for (auto end = std::chrono::steady_clock::now() + bound; std::chrono::steady_clock::now() < end;) {
    if (access(file.c_str(), F_OK) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

bool GoneWithin(pid_t pid, std::chrono::seconds bound) {
  for (auto end = std::chrono::steady_clock::now() + bound; std::chrono::steady_clock::now() < end;) {
    if (kill(pid, 0) != 0) return true;  // a zombie would still answer
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

int ErrorOf(ShellPosix& shell, const std::string& line, int style = platform::vbNormalFocus) {
  try {
    shell.Run(line, style);
  } catch (const vb::Error& e) {
    return e.number();
  }
  return 0;
}

TEST(ShellPosix, RunsTheLongestPrefixAsARealProcess) {
  TempFolder tmp;
  tmp.Write("Program.exe", Recorder(tmp / "planted"), 0755);
  tmp.Write("Program Files/x/wnorb16.exe", Recorder(tmp / "marker"), 0755);
  ShellPosix shell{PathResolver(DriveMap())};

  EXPECT_EQ(shell.FindProgram(tmp.Windows("PROGRAM FILES/X/WNORB16")), tmp / "Program Files/x/wnorb16.exe");
  double pid = shell.Run(tmp.Windows("Program Files/x/WNORB16") + R"( -L "two words"  C:\x)",
                         platform::vbMinimizedNoFocus);
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(AppearsWithin(tmp / "marker", std::chrono::seconds(20)));
  EXPECT_EQ(Contents(tmp / "marker"),
            "[-L][two words][C:\\x]\nstyle=6\npid=" + std::to_string(static_cast<pid_t>(pid)) + "\n");
  EXPECT_TRUE(GoneWithin(static_cast<pid_t>(pid), std::chrono::seconds(20))) << "left a zombie";
  EXPECT_NE(access((tmp / "planted").c_str(), F_OK), 0);

  // Quoted, the planted file is what the line names.
  double planted = shell.Run("\"" + tmp.Windows("program.EXE") + "\" a", platform::vbHide);
  ASSERT_TRUE(AppearsWithin(tmp / "planted", std::chrono::seconds(20)));
  EXPECT_EQ(Contents(tmp / "planted"),
            "[a]\nstyle=0\npid=" + std::to_string(static_cast<pid_t>(planted)) + "\n");
}

TEST(ShellPosix, FailuresToStartAreFileNotFound) {
  TempFolder tmp;
  tmp.Write("plain.exe", Recorder(tmp / "never"), 0644);
  tmp.Write("garbage.exe", "\177ELF? not really", 0755);
  tmp.MakeDir("folder.exe");
  ShellPosix shell{PathResolver(DriveMap())};
  EXPECT_EQ(ErrorOf(shell, tmp.Windows("missing") + " -L"), vb::err::FileNotFound);
  EXPECT_EQ(ErrorOf(shell, tmp.Windows("plain")), vb::err::FileNotFound);
  EXPECT_EQ(ErrorOf(shell, tmp.Windows("garbage.exe")), vb::err::FileNotFound);
  EXPECT_EQ(ErrorOf(shell, tmp.Windows("folder")), vb::err::FileNotFound);
  EXPECT_EQ(ErrorOf(shell, "Q:\\WNORB16 -L"), vb::err::FileNotFound);
  EXPECT_EQ(ErrorOf(shell, "  "), vb::err::InvalidProcedureCall);
  tmp.Write("ok.exe", "#!/bin/sh\n", 0755);
  EXPECT_EQ(ErrorOf(shell, tmp.Windows("ok"), 5), vb::err::InvalidProcedureCall);
  EXPECT_EQ(access((tmp / "never").c_str(), F_OK), -1);
}

}  // namespace
}  // namespace posix
