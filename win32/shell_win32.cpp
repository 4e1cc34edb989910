#include <windows.h>

#include <string>

#include "vbrt/error.hpp"
#include "win32/shell_win32.hpp"

namespace win32 {

int ShellWin32::ShowCommand(int window_style) {
  switch (window_style) {
    case platform::vbHide:
      return SW_HIDE;
    case platform::vbNormalFocus:
      return SW_SHOWNORMAL;
    case platform::vbMinimizedFocus:
      return SW_SHOWMINIMIZED;
    case platform::vbMaximizedFocus:
      return SW_SHOWMAXIMIZED;
    case platform::vbNormalNoFocus:
      return SW_SHOWNOACTIVATE;
    case platform::vbMinimizedNoFocus:
      return SW_SHOWMINNOACTIVE;
    default:
      return -1;
  }
}

double ShellWin32::Run(std::string_view command_line, int window_style) {
  int show = ShowCommand(window_style);
  if (command_line.find_first_not_of(' ') == std::string_view::npos || show < 0) {
    vb::Raise(vb::err::InvalidProcedureCall);
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show);
  PROCESS_INFORMATION process{};
  std::string line(command_line);  // CreateProcessA may write into it
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
    vb::Raise(vb::err::FileNotFound);
  }
  // The task id is all VB keeps; the process runs on by itself.
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return static_cast<double>(process.dwProcessId);
}

}  // namespace win32
