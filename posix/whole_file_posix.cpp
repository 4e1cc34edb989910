#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "posix/whole_file.hpp"
#include "vbrt/error.hpp"

namespace posix {

namespace {

constexpr int kDiskFull = 61;

[[noreturn]] void RaiseForErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      vb::Raise(vb::err::PathNotFound);
    case ENOSPC:
    case EDQUOT:
      vb::Raise(kDiskFull);
    default:
      vb::Raise(vb::err::PathFileAccessError);
  }
}

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "is a folder";
  if (S_ISFIFO(mode)) return "is a FIFO";
  if (S_ISCHR(mode)) return "is a character device";
  if (S_ISBLK(mode)) return "is a block device";
  if (S_ISSOCK(mode)) return "is a socket";
  return "is a special file";
}

std::string TooLarge(std::size_t limit) { return "is larger than " + std::to_string(limit) + " bytes"; }

// A descriptor of the regular file at `posix_path`, opened without blocking (opening a FIFO
// otherwise waits for a writer) and its type checked on the descriptor; -1 with the reason in
// `refused` otherwise. Reads of a regular file never wait, so the descriptor stays non-blocking.
int OpenRegular(const std::string& posix_path, WholeFile& refused, struct stat& st) {
  int fd = open(posix_path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    int error = errno;
    refused.missing = error == ENOENT || error == ENOTDIR;
    refused.not_regular = error == ENXIO;
    refused.why = refused.missing       ? "does not exist"
                  : refused.not_regular ? "is a socket, not a regular file"
                                        : "cannot be opened: " + std::string(std::strerror(error));
    return -1;
  }
  if (fstat(fd, &st) != 0) {
    refused.why = "cannot be read: " + std::string(std::strerror(errno));
  } else if (!S_ISREG(st.st_mode)) {
    refused.not_regular = true;
    refused.why = std::string(KindOf(st.st_mode)) + ", not a regular file";
  } else {
    return fd;
  }
  close(fd);
  return -1;
}

// Up to `limit` bytes appended to `out`, in pieces: the limit is a bound, not a size to fill.
// A short read once the `known_size` bytes fstat gave are in is the end of the file, with no
// second read to see it; a size of 0 proves nothing (procfs and sysfs give it), so such a file
// is read to its end.
bool ReadUpTo(int fd, std::string& out, std::size_t limit, off_t known_size) {
  char chunk[65536];
  while (out.size() < limit) {
    const std::size_t asked = std::min(sizeof chunk, limit - out.size());
    ssize_t n = read(fd, chunk, asked);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    out.append(chunk, static_cast<std::size_t>(n));
    if (static_cast<std::size_t>(n) < asked && known_size > 0 &&
        out.size() >= static_cast<std::size_t>(known_size)) {
      break;
    }
  }
  return true;
}

bool WriteAll(int fd, std::string_view contents) {
  while (!contents.empty()) {
    ssize_t n = write(fd, contents.data(), contents.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    contents.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Symbolic links are written through, not replaced by a file.
std::string Target(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

std::string TempNameFor(const std::string& target) {
  static std::atomic<unsigned> counter{0};
  auto slash = target.rfind('/');
  std::string folder = slash == std::string::npos ? "./" : target.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  return folder + "." + name + ".norb-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

void WriteInPlace(const std::string& target, std::string_view contents) {
  int fd = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) RaiseForErrno(errno);
  bool written = WriteAll(fd, contents);
  int error = errno;
  if (close(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (!written) RaiseForErrno(error);
}

}  // namespace

bool IsReadOnly(const std::string& posix_path) {
  struct stat st;
  return stat(posix_path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
}

WholeFile ReadRegularFile(const std::string& posix_path, std::size_t limit) {
  WholeFile result;
  struct stat st;
  int fd = OpenRegular(posix_path, result, st);
  if (fd < 0) return result;
  if (static_cast<std::uintmax_t>(st.st_size) > limit) {
    result.too_large = true;
    result.why = TooLarge(limit);
  } else {
    std::string contents;
    contents.reserve(static_cast<std::size_t>(st.st_size));
    // One byte past the limit tells a file that grew beyond it.
    if (!ReadUpTo(fd, contents, limit + 1, st.st_size)) {
      result.why = "cannot be read: " + std::string(std::strerror(errno));
    } else if (contents.size() > limit) {
      result.too_large = true;
      result.why = TooLarge(limit);
    } else {
      result.bytes = std::move(contents);
    }
  }
  close(fd);
  return result;
}

std::optional<FilePrefix> ReadFilePrefix(const std::string& posix_path, std::size_t limit) {
  WholeFile unused;
  struct stat st;
  int fd = OpenRegular(posix_path, unused, st);
  if (fd < 0) return std::nullopt;
  FilePrefix prefix;
  // One byte more than asked tells whether anything follows.
  const bool read = ReadUpTo(fd, prefix.bytes, limit + 1, st.st_size);
  close(fd);
  if (!read) return std::nullopt;
  prefix.whole = prefix.bytes.size() <= limit;
  if (!prefix.whole) prefix.bytes.resize(limit);
  return prefix;
}

std::optional<bool> HoldsNulByte(const std::string& posix_path) {
  WholeFile unused;
  struct stat st;
  int fd = OpenRegular(posix_path, unused, st);
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

std::optional<std::string> ReadWholeFile(const std::string& posix_path, std::size_t limit) {
  return ReadRegularFile(posix_path, limit).bytes;
}

void WriteWholeFile(const std::string& posix_path, std::string_view contents) {
  std::string target = Target(posix_path);
  struct stat old;
  bool exists = stat(target.c_str(), &old) == 0;
  // Renaming over a file we could not write ourselves would sidestep its permissions.
  if (exists &&
      (!S_ISREG(old.st_mode) || (old.st_mode & S_IWUSR) == 0 || access(target.c_str(), W_OK) != 0)) {
    vb::Raise(vb::err::PathFileAccessError);
  }

  std::string temp = TempNameFor(target);
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  // A folder we may not create in, or a file with other hard links, is written in place:
  // renaming would fail, or would split the links.
  if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) return WriteInPlace(target, contents);
  if (fd < 0) RaiseForErrno(errno);
  if (exists && old.st_nlink > 1) {
    close(fd);
    unlink(temp.c_str());
    return WriteInPlace(target, contents);
  }

  bool ok = WriteAll(fd, contents);
  int error = errno;
  if (ok && exists) {
    if (fchown(fd, old.st_uid, old.st_gid) != 0) {
      // Not ours to give away; the contents matter more than the owner.
    }
    ok = fchmod(fd, old.st_mode & 07777) == 0;
    error = errno;
  }
  if (ok && fdatasync(fd) != 0) {
    ok = false;
    error = errno;
  }
  if (close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && rename(temp.c_str(), target.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    unlink(temp.c_str());
    RaiseForErrno(error);
  }
}

}  // namespace posix
