// The engine's run locks, what is the same on every system: the settings, the lock's text and
// when a lock is left over.
#include <ctime>

#include "wnorb16/disk.hpp"
#include "wnorb16/run_lock.hpp"

namespace wnorb16 {

namespace {

struct Owner {
  std::string host;
  long pid = 0;
};

// "host pid" as TakeRunLock wrote it; nullopt when the file holds something else.
std::optional<Owner> OwnerIn(const std::string& text) {
  auto blank = text.rfind(' ');
  if (blank == std::string::npos || blank == 0) return std::nullopt;
  std::string number = text.substr(blank + 1);
  while (!number.empty() && number.back() == '\n') number.pop_back();
  if (number.empty() || number.size() > 9 || number.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  return Owner{text.substr(0, blank), std::stol(number)};
}

std::int64_t AgeOf(const FileStatus& status) {
  return static_cast<std::int64_t>(std::time(nullptr)) - status.modified;
}

}  // namespace

std::optional<std::chrono::seconds> StaleLockOf(const std::string& setting) {
  if (setting.empty()) return kDefaultStaleLock;
  if (setting.size() > 5 || setting.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  const long seconds = std::stol(setting);
  if (seconds < 1 || seconds > kMaxStaleLock.count()) return std::nullopt;
  return std::chrono::seconds(seconds);
}

std::string RunLockOf(const std::string& rcs_lock) { return rcs_lock + "WNORB16"; }

std::optional<std::string> StaleRunReason(const std::string& rcs_lock, const std::string& run_lock,
                                          std::chrono::seconds stale_after) {
  const FileStatus run = StatusOf(run_lock);
  const std::string limit = "StaleLock (" + std::to_string(stale_after.count()) + " s)";
  if (!run.exists) {
    // RCS's lock alone: a run at a terminal, or one killed before the engine locked; only its age tells.
    const FileStatus rcs = StatusOf(rcs_lock);
    if (rcs.exists && AgeOf(rcs) > stale_after.count())
      return "an RCS lock file older than " + limit + " was cleared";
    return std::nullopt;
  }
  std::optional<posix::FilePrefix> text = posix::ReadFilePrefix(run_lock, 512);
  std::optional<Owner> owner = text ? OwnerIn(text->bytes) : std::nullopt;
  const std::string who =
      owner ? "engine process " + std::to_string(owner->pid) + " on " + owner->host : "an engine";
  if (owner && owner->host == HostName() && ProcessEnded(owner->pid))
    return "the lock of " + who + ", which has ended, was cleared";
  if (AgeOf(run) > stale_after.count()) return "a lock of " + who + " older than " + limit + " was cleared";
  return std::nullopt;
}

}  // namespace wnorb16
