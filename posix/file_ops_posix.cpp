#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "posix/file_ops.hpp"

namespace posix {

bool IsRegularFile(const std::string& posix_path) {
  struct stat st {};
  return stat(posix_path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool StatFollowing(const std::string& posix_path, const std::optional<struct stat>& entry, struct stat& st) {
  if (entry && !S_ISLNK(entry->st_mode)) {
    st = *entry;
    return true;
  }
  return stat(posix_path.c_str(), &st) == 0;
}

bool IsRegularFile(const std::string& posix_path, const std::optional<struct stat>& entry) {
  struct stat st {};
  return StatFollowing(posix_path, entry, st) && S_ISREG(st.st_mode);
}

std::string SetReadOnly(const std::string& posix_path, bool read_only, WriteBits clear) {
  struct stat st {};
  if (stat(posix_path.c_str(), &st) != 0) return std::strerror(errno);
  // A device's or FIFO's mode is shared by everyone who uses it (/dev/null): never ours to change.
  if (!S_ISREG(st.st_mode)) return "not a regular file";
  mode_t mode = st.st_mode & 07777;
  const mode_t cleared =
      clear == WriteBits::kEveryone ? mode_t{S_IWUSR | S_IWGRP | S_IWOTH} : mode_t{S_IWUSR};
  mode = read_only ? (mode & ~cleared) : (mode | S_IWUSR);
  if (chmod(posix_path.c_str(), mode) != 0) return std::strerror(errno);
  return {};
}

bool MakeFolders(const std::string& posix_path) {
  if (posix_path.empty()) return false;
  struct stat st {};
  if (stat(posix_path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  auto slash = posix_path.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeFolders(posix_path.substr(0, slash))) return false;
  return mkdir(posix_path.c_str(), 0777) == 0 || errno == EEXIST;
}

std::optional<std::string> MakeTempFolder(std::string_view prefix) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp == '/' ? tmp : "/tmp") + "/";
  pattern.append(prefix).append("XXXXXX");
  if (mkdtemp(pattern.data()) == nullptr) return std::nullopt;
  return pattern;
}

bool RemoveFile(const std::string& posix_path) { return unlink(posix_path.c_str()) == 0; }

bool RemoveEmptyFolder(const std::string& posix_path) { return rmdir(posix_path.c_str()) == 0; }

bool StandardOutputIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

}  // namespace posix
