// The desktop of a build without Qt (the Windows build): `vbhost gui` says so and ends.
#include <iostream>

#include "host/desktop_entry.hpp"

namespace vbhost {

const bool kDesktopBuilt = false;

int RunDesktop(int&, char**, const std::string&, const DesktopStart&) {
  std::cerr << "vbhost: gui: this vbhost has no desktop (it is built without Qt, as on Windows); "
               "`vbhost run` runs scenarios\n";
  return 2;
}

}  // namespace vbhost
