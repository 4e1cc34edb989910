#include <windows.h>

#include "dde/ddeml_transport.hpp"
#include "host/real_services.hpp"
#include "win32/file_system_win32.hpp"
#include "win32/shell_win32.hpp"
#include "win32/win32_api.hpp"

namespace vbhost {

// Windows' paths are the resolver's own here, so the calls take them as they come.
std::unique_ptr<platform::Win32> RealWin32(const posix::PathResolver&, std::string windows_directory,
                                           std::string add_in_path) {
  return std::make_unique<win32::Win32Api>(std::move(add_in_path), std::move(windows_directory));
}

std::unique_ptr<platform::Shell> RealShell(const posix::PathResolver&) {
  return std::make_unique<win32::ShellWin32>();
}

std::unique_ptr<platform::FileSystem> RealFiles(const posix::PathResolver&) {
  return std::make_unique<win32::FileSystemWin32>();
}

// DDE finds its servers by broadcast: there is no bus to name, and DDE carries the code page's
// bytes as they are.
std::unique_ptr<dde::Transport> RealTransport(const std::string&,
                                              std::function<void(std::string_view application)> on_await) {
  auto ddeml = std::make_unique<dde::DdemlTransport>();
  ddeml->OnAwait(std::move(on_await));
  return ddeml;
}

std::unique_ptr<dde::Transport> RealWatchTransport() { return std::make_unique<dde::DdemlTransport>(); }

void StopLaunched(double task) {
  if (HANDLE process = ::OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(task))) {
    ::TerminateProcess(process, 1);
    ::CloseHandle(process);
  }
}

}  // namespace vbhost
