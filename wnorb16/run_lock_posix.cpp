#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "wnorb16/disk.hpp"
#include "wnorb16/run_lock.hpp"

namespace wnorb16 {

std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "?";
  return name;
}

bool ProcessEnded(long pid) { return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

Taken TakeRunLock(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return errno == EEXIST ? Taken::kHeld : Taken::kCannot;
  const std::string text = HostName() + " " + std::to_string(::getpid()) + "\n";
  const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ::close(fd);
  if (!written) {
    ::unlink(path.c_str());
    return Taken::kCannot;
  }
  return Taken::kTaken;
}

void RemoveLockFile(const std::string& path) { ::unlink(path.c_str()); }

}  // namespace wnorb16
