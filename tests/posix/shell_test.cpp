#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <set>
#include <thread>

#include "posix/command_line.hpp"
#include "posix/shell_posix.hpp"
#include "posix/spawn.hpp"
#include "tests/support/temp_folder.hpp"
#include "tests/support/vb_error.hpp"

namespace posix {
namespace {

using testing_support::Contents;
using testing_support::ErrorOf;
using testing_support::TempFolder;

TEST(CommandLine, TheLongestPrefixNamingAProgramWins) {
  const std::set<std::string_view> planted{R"(C:\Program)", R"(C:\Program Files\x\WNORB16)", R"(C:\a b  c)"};
  // The program found, then each argument in brackets; "" when no program is found.
  auto split = [&](std::string_view text) {
    CommandLine line = SplitCommandLine(text, [&](std::string_view path) -> std::optional<std::string> {
      return planted.count(path) != 0 ? std::optional("<" + std::string(path) + ">") : std::nullopt;
    });
    for (const std::string& argument : line.arguments) line.program += "[" + argument + "]";
    return line.program.starts_with('<') ? line.program : "";
  };
  const std::pair<std::string, std::string> cases[] = {
      {R"(C:\Program Files\x\WNORB16 -L)", R"(<C:\Program Files\x\WNORB16>[-L])"},
      {R"(  C:\Program Files\y\Other -L  two  )", R"(<C:\Program>[Files\y\Other][-L][two])"},
      {R"(C:\a b  c "" pre"fix and"post "unterminated x)",
       R"(<C:\a b  c>[][prefix andpost][unterminated x])"},
      {R"("C:\Program Files\x\WNORB16" -L "a b")", R"(<C:\Program Files\x\WNORB16>[-L][a b])"},
      {R"("C:\Program Files\x\WNORB16"-L)", R"(<C:\Program Files\x\WNORB16>[-L])"},  // no blank needed
      {R"("C:\Program Files\y\Other" -L)", ""},  // a quoted name is the name: no shorter one is tried
      {R"(C:\Nothing\Here -L)", ""},
      {"   ", ""},
  };
  for (const auto& [text, shown] : cases) EXPECT_EQ(split(text), shown) << text;
}

// A program that records its arguments, standard input, window style and pid in `marker`,
// which appears whole or not at all.
std::string Recorder(const std::string& marker) {
  return "#!/bin/sh\n"
         "{ for a in \"$@\"; do printf '[%s]' \"$a\"; done; echo; cat;\n"
         "  echo \"style=$NORB_WINDOW_STYLE\"; echo \"pid=$$\"; } > '" +
         marker + ".part' && mv '" + marker + ".part' '" + marker + "'\n";
}

// Polls `done` for a generous while, so that a lost child fails the test instead of hanging it.
bool Eventually(const std::function<bool()>& done) {
  for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
       std::chrono::steady_clock::now() < end;) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(ShellPosix, RunsTheLongestPrefixAsARealProcess) {
  TempFolder tmp;
  tmp.Write("Program.exe", Recorder(tmp / "planted"), 0755);
  tmp.Write("Program Files/x/wnorb16.exe", Recorder(tmp / "marker"), 0755);
  ShellPosix shell{PathResolver(DriveMap())};

  const auto pid = static_cast<pid_t>(shell.Run(
      tmp.Windows("Program Files/x/WNORB16") + R"( -L "two words"  C:\x)", platform::vbMinimizedNoFocus));
  ASSERT_TRUE(Eventually([&] { return access((tmp / "marker").c_str(), F_OK) == 0; }));
  EXPECT_EQ(Contents(tmp / "marker"), "[-L][two words][C:\\x]\nstyle=6\npid=" + std::to_string(pid) + "\n");
  EXPECT_TRUE(Eventually([&] { return kill(pid, 0) != 0; })) << "left a zombie";  // a zombie still answers
}

TEST(ShellPosix, FailuresToStartAreFileNotFound) {
  TempFolder tmp;
  tmp.Write("plain.exe", Recorder(tmp / "never"), 0644);
  tmp.Write("garbage.exe", "\177ELF? not really", 0755);
  tmp.Write("ok.exe", "#!/bin/sh\n", 0755);
  tmp.MakeDir("folder.exe");
  ShellPosix shell{PathResolver(DriveMap())};
  for (const std::string& line :
       {tmp.Windows("missing") + " -L", tmp.Windows("plain"), tmp.Windows("garbage.exe"),
        tmp.Windows("folder"), std::string("Q:\\WNORB16 -L")}) {
    EXPECT_EQ(ErrorOf([&] { shell.Run(line, platform::vbNormalFocus); }), vb::err::FileNotFound) << line;
  }
  EXPECT_EQ(ErrorOf([&] { shell.Run("  ", platform::vbNormalFocus); }), vb::err::InvalidProcedureCall);
  EXPECT_EQ(ErrorOf([&] { shell.Run(tmp.Windows("ok"), 5); }),
            vb::err::InvalidProcedureCall);  // no such style
  EXPECT_NE(access((tmp / "never").c_str(), F_OK), 0);
}

// A child tied to this process's life is started by a fork of our own, whose failed exec comes
// back through a pipe: the reason is told, and the pipe is closed whatever the outcome.
TEST(SpawnPosix, AChildTiedToItsParentToldItsFailureAndLeftNoDescriptor) {
  auto descriptors = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
  const auto before = descriptors();
  SpawnRequest request;
  request.argv = {"true"};
  request.search_path = request.die_with_parent = true;
  const Spawned started = Spawn(request);
  ASSERT_GT(started.pid, 0);
  EXPECT_EQ(WaitForExit(started.pid), 0);
  request.argv = {"/no/such/program"};
  const Spawned failed = Spawn(request);
  EXPECT_EQ(failed.pid, -1);
  EXPECT_EQ(failed.error, ENOENT);
  EXPECT_EQ(descriptors(), before);
}

}  // namespace
}  // namespace posix
