// VB's Shell over POSIX: a Windows command line started as a real process, no shell involved.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/shell.hpp"
#include "posix/command_line.hpp"
#include "posix/path_resolver.hpp"

namespace posix {

class ShellPosix : public platform::Shell {
 public:
  explicit ShellPosix(PathResolver resolver = PathResolver());

  // Starts the program the command line names (see SplitCommandLine), with its standard input
  // from /dev/null and NORB_WINDOW_STYLE set to `window_style`; answers its pid. Raises 53 when
  // it cannot be started, 5 for an empty line or an unknown window style. The child is reaped
  // as soon as it ends, so it never lingers as a zombie.
  double Run(std::string_view command_line, int window_style) override;

  // The POSIX path of the program a command line names; nullopt when there is none.
  std::optional<std::string> FindProgram(std::string_view windows_path) const;

 private:
  PathResolver resolver_;
};

}  // namespace posix
