// The desktop front end as the vbhost program starts it. Declared here, defined by the desktop
// (gui/, library vbhost_gui), which only the program links: vbhost's other libraries and their
// tests build without Qt.
#pragma once

#include <ostream>
#include <string>

#include "host/ide_session.hpp"

namespace vbhost {

struct DesktopStart {
  SessionOptions session;
  // The Windows directory (POSIX path); empty: the session's own.
  std::string windows_directory;
  // Where everything the session tells goes as JSON lines, as `vbhost run` writes it; null: nowhere.
  std::ostream* transcript = nullptr;
};

// Whether this build has the desktop; without it RunDesktop only says so.
extern const bool kDesktopBuilt;

// Runs the desktop until its main window closes, with `file` (a project or group, POSIX path;
// empty: none) open. Answers the program's exit status.
int RunDesktop(int& argc, char** argv, const std::string& file, const DesktopStart& start);

}  // namespace vbhost
