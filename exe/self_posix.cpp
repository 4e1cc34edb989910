#include "exe/own_services.hpp"
#include "posix/drive_map.hpp"
#include "posix/file_system_posix.hpp"
#include "posix/own_executable.hpp"
#include "posix/shell_posix.hpp"
#include "posix/win32_posix.hpp"
#include "vbrt/error.hpp"

namespace norbexe {

const char* const kWindowsDirectoryRule = "the WINDIR environment variable, else ~/.config/norbvb5/windows";

std::string SetupProblem() { return posix::DriveSettingProblem(); }

OwnServices MakeOwnServices() {
  posix::PathResolver resolver;
  std::string self = posix::ExecutablePath().value_or("");
  // Registration needs the Windows directory, not the program's own path: a program that lies on
  // no mapped drive still registers, and its module name is simply unknown.
  std::string self_windows;
  try {
    self_windows = resolver.ToWindows(self);
  } catch (const vb::Error&) {
  }
  OwnServices services;
  services.win32 =
      std::make_unique<posix::Win32Posix>(resolver, posix::DefaultWindowsDirectory(), self_windows);
  services.files = std::make_unique<posix::FileSystemPosix>(resolver);
  services.shell = std::make_unique<posix::ShellPosix>(resolver);
  services.folder = self_windows.substr(0, self_windows.rfind('\\'));
  return services;
}

}  // namespace norbexe
