// Where the running program's own executable lives: programs find their settings and companions
// beside themselves, as Windows programs do.
#pragma once

#include <optional>
#include <string>

namespace posix {

// The executable's POSIX path; nullopt when it cannot be had.
std::optional<std::string> ExecutablePath();

// The folder of the executable; "." when it cannot be had.
std::string ExecutableFolder();

}  // namespace posix
