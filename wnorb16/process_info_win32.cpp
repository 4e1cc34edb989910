#include <io.h>
#include <lmcons.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "wnorb16/engine_config.hpp"
#include "wnorb16/process_info.hpp"

namespace wnorb16 {

std::string LoginName() {
  char name[UNLEN + 1] = {};
  DWORD size = sizeof name;
  if (GetUserNameA(name, &size) && size > 1) return std::string(name, size - 1);
  if (const char* value = std::getenv("USERNAME"); value != nullptr && *value != '\0') return value;
  return "user";
}

std::string HomeFolder() {
  const char* profile = std::getenv("USERPROFILE");
  if (profile == nullptr || *profile == '\0') return "";
  std::string home = profile;
  for (char& c : home) {
    if (c == '\\') c = '/';
  }
  return home;
}

bool AtTerminal() { return _isatty(_fileno(stdin)) != 0 && _isatty(_fileno(stdout)) != 0; }

// Windows gives a program without standard handles none, and the files it opens other handles:
// what it writes to the missing ones is lost, never written into its files.
void OpenStandardFiles() {}

}  // namespace wnorb16
