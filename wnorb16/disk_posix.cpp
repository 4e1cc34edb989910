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

std::string WhyUnread(const posix::WholeFile& read) {
  if (read.bytes) return "";
  if (read.too_large)
    return "is larger than the " + std::to_string(posix::kWholeFileLimit >> 20) + " MiB the engine reads";
  return read.not_regular ? read.why : "cannot be read";
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
