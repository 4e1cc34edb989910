// VB's Shell on Windows: a real child process, started with the window style as its show command.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "posix/whole_file.hpp"
#include "tests/support/vb_error.hpp"
#include "tests/win32/win_temp_folder.hpp"
#include "win32/shell_win32.hpp"

namespace {

using testing_support::ErrorOf;

// The child program, built beside this test.
std::string ChildProgram() { return testing_support::BesideTheTest("win32_child.exe"); }

// Waits for the process to end (ten seconds at most); answers what it wrote.
std::string Report(double pid, const std::string& file) {
  HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  if (process != nullptr) {
    EXPECT_EQ(::WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
    ::CloseHandle(process);
  }
  return posix::ReadWholeFile(file).value_or("");
}

// Each window style is the child's show command, and ".EXE" may be left off, as Windows adds it;
// a line without a program, a style that is none and a program that is not there are refused.
TEST(ShellWin32, StartsTheProgramWithTheStyleAsItsShowCommandAndRefusesWhatItCannotStart) {
  testing_support::WinTempFolder tmp;
  win32::ShellWin32 shell;
  for (const auto& [style, show] : std::vector<std::pair<int, int>>{
           {platform::vbHide, SW_HIDE},
           {platform::vbNormalFocus, SW_SHOWNORMAL},
           {platform::vbMinimizedFocus, SW_SHOWMINIMIZED},
           {platform::vbMaximizedFocus, SW_SHOWMAXIMIZED},
           {platform::vbNormalNoFocus, SW_SHOWNOACTIVATE},
           {platform::vbMinimizedNoFocus, SW_SHOWMINNOACTIVE},
       }) {
    std::string report = tmp / ("style" + std::to_string(style) + ".txt");
    std::string line = "\"" + ChildProgram() + "\" " + report + " /S";
    double pid = shell.Run(line, style);
    EXPECT_GT(pid, 0);
    EXPECT_EQ(Report(pid, report), std::to_string(show) + " 1 " + line) << style;
  }
  std::string bare = ChildProgram().substr(0, ChildProgram().size() - 4);
  std::string report = tmp / "bare.txt";
  EXPECT_EQ(Report(shell.Run(bare + " " + report, platform::vbHide), report), "0 1 " + bare + " " + report);

  for (const auto& [line, style, error] : std::vector<std::tuple<std::string, int, int>>{
           {"", platform::vbHide, 5},
           {"   ", platform::vbHide, 5},
           {ChildProgram() + " x", 5, 5},  // 5 is no window style
           {ChildProgram() + " x", 7, 5},
           {tmp / "NOSUCH.EXE", platform::vbHide, 53},
           {"\"" + tmp / "No such program.exe\" /S", platform::vbNormalFocus, 53},
       }) {
    EXPECT_EQ(ErrorOf([&] { shell.Run(line, style); }), error) << line << " " << style;
  }
}

}  // namespace
