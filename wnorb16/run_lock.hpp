// RCS's lock file of an archive (",name,") carries no owner: one that a killed run left behind
// looks like a live run's, and every later command on the file would wait and give up. So each
// RCS run the engine starts holds a lock of its own beside it, naming the host and process, and
// a lock file is cleared only when that process has ended on this host, or when the lock is
// older than the StaleLock= setting (a shared folder hides other machines' processes).
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace wnorb16 {

// How old a lock must be before it is taken for one a run that ended left, whoever's it is.
inline constexpr std::chrono::seconds kDefaultStaleLock{600};
inline constexpr std::chrono::seconds kMaxStaleLock{86400};
// The StaleLock= setting: whole seconds from 1 to a day, "" for the default; nullopt when it is
// none of these.
std::optional<std::chrono::seconds> StaleLockOf(const std::string& setting);

// The engine's lock beside RCS's lock file `rcs_lock`.
std::string RunLockOf(const std::string& rcs_lock);

enum class Taken { kTaken, kHeld, kCannot };
// Makes the engine's lock `path` for this process: kHeld when one is there already, kCannot when
// the folder does not exist or refuses it (the run then goes on without one).
Taken TakeRunLock(const std::string& path);
// Removes a lock file, the engine's or RCS's.
void RemoveLockFile(const std::string& path);

// This machine's name, as the engine's lock names it ("?" when it cannot be had).
std::string HostName();
// Process `pid` of this machine has ended (false while it runs, or when that cannot be told).
bool ProcessEnded(long pid);

// Why the locks of an archive (RCS's `rcs_lock`, the engine's `run_lock`) are left over from a
// run that ended, for the file's answer; nullopt when there is none, or it may be a live run's.
std::optional<std::string> StaleRunReason(const std::string& rcs_lock, const std::string& run_lock,
                                          std::chrono::seconds stale_after);

}  // namespace wnorb16
