#include <windows.h>

#include <cstdlib>

#include "posix/own_executable.hpp"

namespace posix {

namespace {
std::string Forward(std::string path) {
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}
}  // namespace

std::optional<std::string> ExecutablePath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::nullopt;
    if (n < path.size()) {
      path.resize(n);
      return Forward(std::move(path));
    }
    path.resize(path.size() * 2);
  }
}

std::string ExecutableFolder() {
  std::optional<std::string> path = ExecutablePath();
  if (!path) return ".";
  return path->substr(0, path->find_last_of('/'));
}

std::string UserConfigFolder() {
  const char* data = std::getenv("APPDATA");
  return Forward(std::string(data != nullptr ? data : ".")) + "/norbvb5";
}

bool CanWriteIn(const std::string& folder) {
  // Windows' access check on a folder tells only that it exists: a file made and let go tells more.
  const std::string probe = folder + "/~norb" + std::to_string(GetCurrentProcessId()) + ".tmp";
  HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

std::string GivenPath(const std::string& given) {
  if (given.empty()) return given;
  const DWORD size = GetFullPathNameA(given.c_str(), 0, nullptr, nullptr);
  if (size == 0) return Forward(given);
  std::string full(size, '\0');
  const DWORD n = GetFullPathNameA(given.c_str(), size, full.data(), nullptr);
  if (n == 0 || n >= size) return Forward(given);
  full.resize(n);
  return Forward(std::move(full));
}

}  // namespace posix
