#include <unistd.h>

#include <cstdlib>

#include "posix/own_executable.hpp"

namespace posix {

std::optional<std::string> ExecutablePath() {
  std::string path(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0 || static_cast<std::size_t>(n) == path.size()) return std::nullopt;
  path.resize(static_cast<std::size_t>(n));
  return path;
}

std::string ExecutableFolder() {
  std::optional<std::string> path = ExecutablePath();
  if (!path) return ".";
  auto slash = path->find_last_of('/');
  return slash == 0 ? "/" : path->substr(0, slash);
}

std::string UserConfigFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return std::string(config) + "/norbvb5";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.config/norbvb5";
}

bool CanWriteIn(const std::string& folder) { return access(folder.c_str(), W_OK | X_OK) == 0; }

std::string GivenPath(const std::string& given) { return given; }

}  // namespace posix
