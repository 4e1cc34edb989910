#include <windows.h>

#include <cstdlib>

#include "exe/own_services.hpp"
#include "posix/own_executable.hpp"
#include "win32/file_system_win32.hpp"
#include "win32/shell_win32.hpp"
#include "win32/win32_api.hpp"

namespace norbexe {

const char* const kWindowsDirectoryRule = "%WINDIR%, else Windows' own";

std::string SetupProblem() { return ""; }

// The Windows directory is %WINDIR% when set (it is Windows' own unless someone set it
// otherwise, as a test does), else the one Windows names.
OwnServices MakeOwnServices() {
  std::string windir;
  if (const char* env = std::getenv("WINDIR"); env != nullptr && *env != '\0') {
    windir = env;
  } else {
    char folder[MAX_PATH + 1];
    UINT n = ::GetWindowsDirectoryA(folder, sizeof folder);
    if (n > 0 && n <= MAX_PATH) windir.assign(folder, n);
  }
  std::string self = posix::ExecutablePath().value_or("");
  for (char& c : self) c = c == '/' ? '\\' : c;
  OwnServices services;
  services.win32 = std::make_unique<win32::Win32Api>(self, windir);
  services.files = std::make_unique<win32::FileSystemWin32>();
  services.shell = std::make_unique<win32::ShellWin32>();
  services.folder = self.substr(0, self.rfind('\\'));
  return services;
}

}  // namespace norbexe
