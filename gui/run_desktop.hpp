// `vbhost gui`: the desktop IDE as a program.
#pragma once

#include <string>

#include "gui/main_window.hpp"

namespace vbgui {

// Runs the desktop until its main window closes, with `file` (a project or group, POSIX path;
// empty: none) open. Answers the program's exit status.
int RunDesktop(int& argc, char** argv, const std::string& file, const DesktopOptions& options);

}  // namespace vbgui
