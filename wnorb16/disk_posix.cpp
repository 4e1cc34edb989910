#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <thread>

#include "wnorb16/disk.hpp"

namespace wnorb16 {

namespace {

std::string SpecialKind(mode_t mode) {
  if (S_ISREG(mode) || S_ISDIR(mode)) return "";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "a special file";
}

// A descriptor of the regular file at `path`, opened without blocking (a FIFO would wait for a
// writer); -1 with `problem` set otherwise.
int OpenRegular(const std::string& path, std::string& problem, bool* missing = nullptr,
                std::int64_t* size = nullptr) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    if (missing != nullptr) *missing = errno == ENOENT;
    problem = "cannot be read";
    return -1;
  }
  struct stat st;
  if (fstat(fd, &st) != 0) {
    problem = "cannot be read";
  } else if (S_ISDIR(st.st_mode)) {
    problem = "is a folder, not a regular file";
  } else if (!S_ISREG(st.st_mode)) {
    problem = "is " + SpecialKind(st.st_mode) + ", not a regular file";
  }
  if (!problem.empty()) {
    close(fd);
    return -1;
  }
  if (size != nullptr) *size = static_cast<std::int64_t>(st.st_size);
  // Reads of a regular file never wait, so the descriptor may stay non-blocking.
  return fd;
}

// Up to `limit` bytes appended to `out`, in pieces: the limit is a bound, not a size to fill. A
// short read once `known_size` bytes are in is the end of the file: no second read to see it.
bool ReadUpTo(int fd, std::string& out, std::size_t limit, std::int64_t known_size = -1) {
  char chunk[65536];
  while (out.size() < limit) {
    const std::size_t asked = std::min(sizeof chunk, limit - out.size());
    ssize_t n = read(fd, chunk, asked);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    out.append(chunk, static_cast<std::size_t>(n));
    if (static_cast<std::size_t>(n) < asked && known_size >= 0 &&
        out.size() >= static_cast<std::size_t>(known_size)) {
      break;
    }
  }
  return true;
}

}  // namespace

namespace {
FileStatus StatusFrom(const struct stat& st) {
  FileStatus status;
  status.exists = true;
  status.is_directory = S_ISDIR(st.st_mode);
  status.read_only = (st.st_mode & S_IWUSR) == 0;
  status.modified = static_cast<std::int64_t>(st.st_mtime);
  status.modified_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  status.size = static_cast<std::int64_t>(st.st_size);
  status.device = static_cast<std::uint64_t>(st.st_dev);
  status.inode = static_cast<std::uint64_t>(st.st_ino);
  status.changed_ns = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  status.special = SpecialKind(st.st_mode);
  return status;
}
}  // namespace

FileStatus StatusOf(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return {};
  return StatusFrom(st);
}

std::optional<FileStatus> StatusOfEntry(const struct stat& entry) {
  if (S_ISLNK(entry.st_mode)) return std::nullopt;
  return StatusFrom(entry);
}

bool EntryExists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

bool EntryExists(const std::string& path, std::optional<FileStatus>& status) {
  struct stat st;
  status.reset();
  if (lstat(path.c_str(), &st) != 0) return false;
  status = StatusOfEntry(st);
  return true;
}

bool OnLocalFileSystem(const std::string& path) {
  struct statfs fs;
  if (statfs(path.c_str(), &fs) != 0) return false;
  // File systems whose data lives on this machine. Any other (NFS, SMB, FUSE, 9p, a cluster file
  // system, one we do not know) may hand out attributes its client cached.
  static constexpr std::uint32_t kLocal[] = {
      0xEF53,      // ext2, ext3, ext4
      0x58465342,  // xfs
      0x9123683E,  // btrfs
      0x01021994,  // tmpfs
      0x858458F6,  // ramfs
      0x794C7630,  // overlayfs over local layers (a container's root)
      0xF2F52010,  // f2fs
      0x2FC12FC1,  // zfs
      0xCA451A4E,  // bcachefs
      0x52654973,  // reiserfs
      0x3153464A,  // jfs
      0x3434,      // nilfs2
      0x4D44,      // vfat, msdos
      0x2011BAB0,  // exfat
      0x7366746E,  // ntfs3
      0x482B,      // hfsplus
      0x15013346,  // udf
      0x9660,      // iso9660
      0x73717368,  // squashfs
      0xE0F5E1E2,  // erofs
  };
  const auto type = static_cast<std::uint32_t>(fs.f_type);
  return std::find(std::begin(kLocal), std::end(kLocal), type) != std::end(kLocal);
}

bool MakeReadOnly(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  return chmod(path.c_str(), st.st_mode & 07777 & ~mode_t{S_IWUSR | S_IWGRP | S_IWOTH}) == 0;
}

std::optional<FilePrefix> ReadFilePrefix(const std::string& path, std::size_t limit) {
  std::string problem;
  std::int64_t size = 0;
  int fd = OpenRegular(path, problem, nullptr, &size);
  if (fd < 0) return std::nullopt;
  FilePrefix prefix;
  // One byte more than asked tells whether anything follows.
  const bool read = ReadUpTo(fd, prefix.bytes, limit + 1, size);
  close(fd);
  if (!read) return std::nullopt;
  prefix.whole = prefix.bytes.size() <= limit;
  if (!prefix.whole) prefix.bytes.resize(limit);
  return prefix;
}

WholeRead ReadRegularFile(const std::string& path) {
  WholeRead result;
  std::int64_t size = 0;
  int fd = OpenRegular(path, result.problem, &result.missing, &size);
  if (fd < 0) return result;
  // The size may grow while it is read; the limit holds all the same.
  if (size <= kMaxWholeRead) result.bytes.reserve(static_cast<std::size_t>(size));
  const bool read =
      size <= kMaxWholeRead && ReadUpTo(fd, result.bytes, static_cast<std::size_t>(kMaxWholeRead) + 1, size);
  close(fd);
  if (size > kMaxWholeRead || result.bytes.size() > static_cast<std::size_t>(kMaxWholeRead)) {
    result.problem =
        "is larger than the " + std::to_string(kMaxWholeRead / (1024 * 1024)) + " MiB the engine reads";
  } else if (!read) {
    result.problem = "cannot be read";
  }
  if (!result.problem.empty()) result.bytes.clear();
  return result;
}

std::optional<bool> HoldsNulByte(const std::string& path) {
  std::string problem;
  int fd = OpenRegular(path, problem);
  if (fd < 0) return std::nullopt;
  char chunk[65536];
  std::optional<bool> found = false;
  for (;;) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) found = std::nullopt;
    if (n <= 0) break;
    if (std::memchr(chunk, '\0', static_cast<std::size_t>(n)) != nullptr) {
      found = true;
      break;
    }
  }
  close(fd);
  return found;
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

bool ReplaceFile(const std::string& path, std::string_view bytes) {
  // A name of this process's own, so two engines writing beside one settings file never share it.
  const std::string temp = path + "." + std::to_string(getpid()) + ".new";
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) return false;
  bool ok = true;
  for (std::size_t at = 0; ok && at < bytes.size();) {
    ssize_t n = write(fd, bytes.data() + at, bytes.size() - at);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) at += static_cast<std::size_t>(n);
  }
  ok = close(fd) == 0 && ok;
  if (ok && rename(temp.c_str(), path.c_str()) == 0) return true;
  unlink(temp.c_str());
  return false;
}

bool AppendToFile(const std::string& path, std::string_view bytes) {
  int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  // One write, so lines two engines add at once do not interleave.
  for (std::size_t at = 0; ok && at < bytes.size();) {
    ssize_t n = write(fd, bytes.data() + at, bytes.size() - at);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) at += static_cast<std::size_t>(n);
  }
  return close(fd) == 0 && ok;
}

void Pause(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

}  // namespace wnorb16
