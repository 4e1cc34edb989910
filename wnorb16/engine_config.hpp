// The engine's settings, kept in WNORB.INI under [Engine]: in the user's configuration folder, or
// beside the executable.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

namespace wnorb16 {

inline constexpr char kIniFileName[] = "WNORB.INI";
inline constexpr char kLogFileName[] = "WNORB.LOG";
inline constexpr char kIniSection[] = "Engine";

struct EngineConfig {
  bool locking = true;   // Locking=Y|N, the answer to "G2LOCKING"
  std::string user_id;   // UserID=, who owns the locks the engine takes
  std::string archives;  // Archives=, a Windows path; relative ones are taken against each work file's folder
  std::string
      projects;  // Projects=, the folder whose layout a rooted Archives folder keeps; "" for the home folder
  std::string store;  // Store=, which store keeps the files: "rcs" (also when empty) or "svn", as written
  std::string config_dir;  // ConfigDir=, the Subversion configuration folder; "" for the user's own
  // StaleLock=, after how many seconds a lock an RCS run left on an archive may be cleared; "" for
  // the default (wnorb16/run_lock.hpp)
  std::string stale_lock;
  // RepositoryTimeout=, how many seconds one request to a Subversion repository is waited for;
  // "" for the default (RepositoryTimeoutOf)
  std::string repository_timeout;
  // RcsPrograms=, the folder of RCS's programs (ci, co, rcs, rlog, rcsdiff), a path of the
  // engine's own system; "" for the engine's default (its PATH)
  std::string rcs_programs;

  bool operator==(const EngineConfig&) const = default;
};

// The longest value each setting takes, in bytes: a folder as long as a name in a command, a
// user ID as long as a login name can be (LOGIN_NAME_MAX), Locking and Store a word.
inline constexpr std::size_t kMaxFolderSettingBytes = 4096;
inline constexpr std::size_t kMaxUserIdBytes = 256;
inline constexpr std::size_t kMaxWordSettingBytes = 16;

// The settings in `ini_text`; `login_name` stands in for a missing or empty UserID. A UTF-8
// byte-order mark before the first line (as Notepad writes one) is not part of that line.
EngineConfig ParseConfig(const std::string& ini_text, const std::string& login_name);

// `ini_text` with the settings written in, every other line kept, a byte-order mark too.
std::string WriteConfig(const std::string& ini_text, const EngineConfig& config);

// RepositoryTimeout=: whole seconds from 1 to kMaxRepositoryTimeout, "" for the default; nullopt
// when it is neither. The add-in gives up on an answer after 25 s and a command waits for the
// repository once at most, so the bound leaves the rest of a command 10 s.
inline constexpr std::chrono::seconds kDefaultRepositoryTimeout{5};
inline constexpr std::chrono::seconds kMaxRepositoryTimeout{15};
std::optional<std::chrono::seconds> RepositoryTimeoutOf(const std::string& setting);

// Where the engine finds WNORB.INI: in `user_folder` (the user's configuration folder) when it is
// there, else beside the program in `program_folder` when it is there. With neither, where it
// would be written and the engine's own files go: beside the program when the user can write
// there (a build, a copy of one's own), else in `user_folder` (an installed program).
std::string FindSettings(const std::string& user_folder, const std::string& program_folder);

// The file `name` in the folder of `ini_path`, where the engine keeps its own files.
std::string BesideSettings(const std::string& ini_path, const std::string& name);
// Why the settings in `ini_text` cannot be used: a value longer than its limit above, or a rooted
// Archives whose ".." climb above its drive's folder (Windows would stop at the drive's root and
// so put the archives where nobody named). "" when they can; the reason names the setting and
// the file `ini`.
std::string SettingProblem(const std::string& ini_text, const std::string& ini);

// The name of the user running the engine.
std::string LoginName();

// The home folder of the user running the engine (POSIX); "" when it cannot be had.
std::string HomeFolder();

}  // namespace wnorb16
