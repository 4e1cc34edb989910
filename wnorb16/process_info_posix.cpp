#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>

#include <climits>
#include <cstdlib>

#include "wnorb16/engine_config.hpp"
#include "wnorb16/process_info.hpp"

namespace wnorb16 {

std::string LoginName() {
  if (passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_name != nullptr && *pw->pw_name != '\0') {
    return pw->pw_name;
  }
  for (const char* name : {"LOGNAME", "USER"}) {
    if (const char* value = std::getenv(name); value != nullptr && *value != '\0') return value;
  }
  return "user" + std::to_string(getuid());
}

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') return home;
  if (passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr) return pw->pw_dir;
  return "";
}

bool AtTerminal() { return isatty(STDIN_FILENO) == 1 && isatty(STDOUT_FILENO) == 1; }

void OpenStandardFiles() {
  // The lowest free number is taken, so each one missing is filled in turn.
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) == -1 && errno == EBADF)
      (void)open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
  }
}

}  // namespace wnorb16
