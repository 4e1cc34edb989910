#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "wnorb16/disk.hpp"

namespace wnorb16 {

FileStatus StatusOf(const std::string& path) {
  struct stat st;
  FileStatus status;
  if (stat(path.c_str(), &st) != 0) return status;
  status.exists = true;
  status.is_directory = S_ISDIR(st.st_mode);
  status.read_only = (st.st_mode & S_IWUSR) == 0;
  status.modified = static_cast<std::int64_t>(st.st_mtime);
  status.modified_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  status.size = static_cast<std::int64_t>(st.st_size);
  return status;
}

bool MakeReadOnly(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  return chmod(path.c_str(), st.st_mode & 07777 & ~mode_t{S_IWUSR | S_IWGRP | S_IWOTH}) == 0;
}

std::optional<FilePrefix> ReadFilePrefix(const std::string& path, std::size_t limit) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  FilePrefix prefix;
  prefix.bytes.resize(limit);
  std::size_t filled = 0;
  bool failed = false;
  while (filled < limit) {
    ssize_t n = read(fd, prefix.bytes.data() + filled, limit - filled);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) failed = true;
    if (n <= 0) {
      prefix.whole = !failed;
      break;
    }
    filled += static_cast<std::size_t>(n);
  }
  if (!failed && filled == limit) {
    // Full: whole only when nothing follows.
    char probe;
    ssize_t n;
    do n = read(fd, &probe, 1);
    while (n < 0 && errno == EINTR);
    prefix.whole = n == 0;
  }
  close(fd);
  if (failed) return std::nullopt;
  prefix.bytes.resize(filled);
  return prefix;
}

bool MakeFolders(const std::string& path) {
  if (path.empty()) return false;
  struct stat st;
  if (stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  auto slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash))) return false;
  return mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

bool MoveUnlessThere(const std::string& from, const std::string& to) {
  // A hard link never replaces what is there, unlike rename.
  if (link(from.c_str(), to.c_str()) != 0) return false;
  if (unlink(from.c_str()) != 0) {
    unlink(to.c_str());
    return false;
  }
  return true;
}

void Pause(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

}  // namespace wnorb16
