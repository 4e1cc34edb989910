#include "posix/shell_posix.hpp"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include "posix/file_ops.hpp"
#include "posix/spawn.hpp"
#include "vbrt/error.hpp"

extern char** environ;

namespace posix {

namespace {

bool IsWindowStyle(int style) {
  switch (style) {
    case platform::vbHide:
    case platform::vbNormalFocus:
    case platform::vbMinimizedFocus:
    case platform::vbMaximizedFocus:
    case platform::vbNormalNoFocus:
    case platform::vbMinimizedNoFocus:
      return true;
    default:
      return false;
  }
}

std::vector<std::string> ChildEnvironment(int window_style) {
  std::vector<std::string> variables;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    if (std::strncmp(*variable, "NORB_WINDOW_STYLE=", 18) != 0) variables.emplace_back(*variable);
  }
  variables.push_back("NORB_WINDOW_STYLE=" + std::to_string(window_style));
  return variables;
}

}  // namespace

ShellPosix::ShellPosix(PathResolver resolver) : resolver_(std::move(resolver)) {}

std::optional<std::string> ShellPosix::FindProgram(std::string_view windows_path) const {
  try {
    for (const std::string& candidate : {std::string(windows_path), std::string(windows_path) + ".EXE"}) {
      std::string path = resolver_.ToPosix(candidate);
      if (IsRegularFile(path)) return path;
    }
  } catch (const vb::Error&) {
    // An unmapped drive names no program.
  }
  return std::nullopt;
}

double ShellPosix::Run(std::string_view command_line, int window_style) {
  if (command_line.find_first_not_of(' ') == std::string_view::npos || !IsWindowStyle(window_style)) {
    vb::Raise(vb::err::InvalidProcedureCall);
  }
  CommandLine parsed =
      SplitCommandLine(command_line, [this](std::string_view path) { return FindProgram(path); });
  if (parsed.program.empty()) vb::Raise(vb::err::FileNotFound);

  std::vector<std::string> arguments{parsed.program};
  arguments.insert(arguments.end(), parsed.arguments.begin(), parsed.arguments.end());
  SpawnRequest request;
  request.argv = std::move(arguments);
  request.environment = ChildEnvironment(window_style);
  const pid_t pid = Spawn(request).pid;
  if (pid < 0) vb::Raise(vb::err::FileNotFound);

  // The engine outlives any one Shell object; its reaper must too.
  try {
    std::thread([pid] { WaitForExit(pid); }).detach();
  } catch (const std::system_error&) {
    // Out of threads: the child runs all the same, and is reaped when this process ends.
  }
  return static_cast<double>(pid);
}

}  // namespace posix
