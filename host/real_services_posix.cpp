#include <sys/types.h>

#include "dde/code_page_link.hpp"
#include "dde/dbus_transport.hpp"
#include "host/real_services.hpp"
#include "posix/file_system_posix.hpp"
#include "posix/shell_posix.hpp"
#include "posix/spawn.hpp"
#include "posix/win32_posix.hpp"

namespace vbhost {

std::unique_ptr<platform::Win32> RealWin32(const posix::PathResolver& resolver, std::string windows_directory,
                                           std::string add_in_path) {
  return std::make_unique<posix::Win32Posix>(resolver, std::move(windows_directory), std::move(add_in_path));
}

std::unique_ptr<platform::Shell> RealShell(const posix::PathResolver& resolver) {
  return std::make_unique<posix::ShellPosix>(resolver);
}

std::unique_ptr<platform::FileSystem> RealFiles(const posix::PathResolver& resolver) {
  return std::make_unique<posix::FileSystemPosix>(resolver);
}

std::unique_ptr<dde::Transport> RealTransport(const std::string& bus_address,
                                              std::function<void(std::string_view application)> on_await) {
  auto dbus = bus_address.empty() ? std::make_unique<dde::DbusTransport>()
                                  : std::make_unique<dde::DbusTransport>(bus_address);
  dbus->OnAwait(std::move(on_await));
  // D-Bus carries UTF-8; the add-in speaks the code page.
  return std::make_unique<dde::CodePageTransport>(std::move(dbus));
}

std::unique_ptr<dde::Transport> RealWatchTransport() { return nullptr; }

void StopLaunched(double task) { posix::Terminate(static_cast<pid_t>(task)); }

}  // namespace vbhost
