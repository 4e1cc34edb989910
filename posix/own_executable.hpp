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

// The programs' folder among the user's settings, as an installed Linux program keeps them:
// $XDG_CONFIG_HOME/norbvb5, or ~/.config/norbvb5 when that is unset or not an absolute path.
std::string UserConfigFolder();

// The running user may make files in `folder` (a build, or a copy of the programs of one's own;
// not a system's installed folder).
bool CanWriteIn(const std::string& folder);

// A path given on the program's command line, as the program's file services take it: on POSIX
// as given; on Windows made absolute and written with "/", so the files kept beside it are found.
std::string GivenPath(const std::string& given);

}  // namespace posix
