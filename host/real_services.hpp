// The system's own services behind an IDE session, chosen per platform: on Linux the POSIX
// emulation and D-Bus, on Windows the Win32 calls themselves and DDEML. Everything else in the
// host is the same source on both.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "dde/transport.hpp"
#include "platform/file_system.hpp"
#include "platform/shell.hpp"
#include "platform/win32.hpp"
#include "posix/path_resolver.hpp"

namespace vbhost {

// The add-in's Windows API. `windows_directory` (a path of the platform's own) is where a
// profile file named without a folder lives, as it does in Windows' own directory;
// `add_in_path` is the Windows path of NORBVB5.EXE.
std::unique_ptr<platform::Win32> RealWin32(const posix::PathResolver& resolver, std::string windows_directory,
                                           std::string add_in_path);
// VB's Shell, starting real programs; the task id it answers is the process id.
std::unique_ptr<platform::Shell> RealShell(const posix::PathResolver& resolver);
// The runtime's Dir and GetAttr.
std::unique_ptr<platform::FileSystem> RealFiles(const posix::PathResolver& resolver);
// The link to the real engine: D-Bus at `bus_address` (empty: the session bus) on Linux, DDE on
// Windows, which has no bus; `on_await` is told when a link begins to wait for a launched server.
std::unique_ptr<dde::Transport> RealTransport(const std::string& bus_address,
                                              std::function<void(std::string_view application)> on_await);
// The transport of vbhost's own watch of the engine's outcomes, beside the add-in's links: none
// on Linux, where the watch shares the add-in's connection; on Windows a DDEML instance of its
// own, as Wine's DDEML lets an instance hold one conversation per service and topic, and the
// watch's on frmCmd would take the add-in's.
std::unique_ptr<dde::Transport> RealWatchTransport();
// Ends a program RealShell started (its task id), for a run whose programs end with it.
void StopLaunched(double task);

}  // namespace vbhost
