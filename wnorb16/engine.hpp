// The engine: one command string in, the status text out. It keeps the folder of the last "CD"
// and the settings of WNORB.INI, stores files in RCS archives through RCS's own programs, and
// reads locks and histories from the archives directly.
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "posix/path_resolver.hpp"
#include "wnorb16/command_words.hpp"
#include "wnorb16/engine_config.hpp"
#include "wnorb16/file_plan.hpp"
#include "wnorb16/rcs_archive.hpp"
#include "wnorb16/rcs_batch.hpp"
#include "wnorb16/rcs_runner.hpp"
#include "wnorb16/work_files.hpp"

namespace wnorb16 {

struct EngineSetup {
  std::string ini_path;  // WNORB.INI; a missing file means the defaults
  posix::PathResolver resolver = posix::PathResolver();
  std::string rcs_folder;  // where co, ci, rcs and rcsdiff are; "" for PATH
  std::string login_name = LoginName();
  std::string home_folder = HomeFolder();  // where Projects= points when it is empty
  // How long to wait for another RCS run to finish with an archive.
  std::chrono::milliseconds lock_wait = std::chrono::seconds(3);
};

class Engine {
 public:
  explicit Engine(EngineSetup setup);

  // Handles one command completely and answers its status text.
  std::string Execute(std::string_view command);

  const EngineConfig& config() const { return config_; }
  // Why the settings cannot be used; "" when they can.
  const std::string& config_problem() const { return config_problem_; }
  const std::string& ini_path() const { return setup_.ini_path; }

 private:
  // Reads WNORB.INI; false when there is none.
  bool LoadConfig();
  // Reads WNORB.INI again when it changed since it was read.
  void RefreshConfig();

  // Set beforehand for the user's next check-in (COMMENT) or next command with S (VERSION).
  std::string SetComment(const Command& command);
  std::string SetVersion(const Command& command);

  std::string ChangeDirectory(const Command& command);
  std::string LockQuery(const Command& command);
  std::string History(const Command& command);
  std::string Compare(const Command& command);
  std::string Configure();
  std::string Extract(const Command& command);
  std::string Update(const Command& command);

  // Every name of the command located; otherwise why the first that cannot be used cannot.
  struct Located {
    std::vector<WorkFile> files;
    std::string error;
  };
  Located LocateAll(const std::vector<std::string>& names) const;
  // The archive's header up to `part`; nullopt when it cannot be read.
  std::optional<Archive> ReadHeader(const WorkFile& file, HeaderPart part = HeaderPart::kDeltas) const;
  // The header for a file of a batch; one that cannot be read is answered in the plan.
  std::optional<Archive> ReadHeaderFor(FilePlan& plan, std::size_t i, const WorkFile& file) const;
  // Whether the work file holds `revision` as RCS would extract it (keywords aside); nullopt
  // when rcsdiff cannot tell.
  std::optional<bool> SameAsRevision(const WorkFile& file, const std::string& revision) const;
  // What became of a file whose RCS run did not end as asked, read from the archive: another
  // RCS run holding it, or (`check_in`) a revision ci stored before it gave up, whose work file
  // is then given the mode of its lock state. nullopt when neither.
  std::optional<FilePlan::Outcome> ReadBack(const WorkFile& file, const RcsReport& report,
                                            bool check_in) const;
  // An RCS run on `file`; one that writes the work file (`with_work`) of a file that is not text
  // first makes its archive binary.
  // The revision this user set for option S, used once; nullopt when none is set.
  std::optional<std::string> TakeSetVersion();
  std::string NoSetVersion() const;
  RcsJob Job(std::vector<std::string> options, const WorkFile& file, bool with_work) const;
  ArchiveRule Rule() const { return {config_.archives, config_.projects}; }
  RcsBatch Batch() const { return RcsBatch(runner_, config_.user_id, setup_.lock_wait); }

  EngineSetup setup_;
  EngineConfig config_;
  std::string config_problem_;
  // What WNORB.INI looked like when it was read: changed files are read again.
  struct Stamp {
    bool exists = false;
    std::int64_t modified_ns = 0;
    std::int64_t size = 0;
    bool operator==(const Stamp&) const = default;
  };
  Stamp config_stamp_;
  // By user ID: each person's next comment and version.
  std::map<std::string, std::string> comments_;
  std::map<std::string, std::string> versions_;
  WorkFiles work_files_;
  RcsRunner runner_;
};

}  // namespace wnorb16
