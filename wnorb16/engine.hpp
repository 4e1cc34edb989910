// The engine: one command string in, the status text out. It keeps the folder of the last "CD"
// and the settings of WNORB.INI, stores files in RCS archives through RCS's own programs, and
// reads locks and histories from the archives directly.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "posix/path_resolver.hpp"
#include "wnorb16/command_words.hpp"
#include "wnorb16/engine_config.hpp"
#include "wnorb16/interaction.hpp"
#include "wnorb16/rcs_archive.hpp"
#include "wnorb16/rcs_batch.hpp"
#include "wnorb16/rcs_runner.hpp"
#include "wnorb16/work_files.hpp"

namespace wnorb16 {

struct EngineSetup {
  std::string ini_path;  // WNORB.INI; a missing file means the defaults
  posix::PathResolver resolver = posix::PathResolver();
  // The person at the interactive engine; null when nobody is there to ask.
  Interaction* interaction = nullptr;
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
  const std::string& ini_path() const { return setup_.ini_path; }

 private:
  // Reads WNORB.INI; false when there is none.
  bool LoadConfig();

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
  // Revisions asked for option S, one per file; nullopt entries are files the person left alone.
  std::vector<std::optional<std::string>> AskRevisions(const std::vector<WorkFile>& files, bool extract);
  // An RCS run on `file`; one that writes the work file (`with_work`) of a file that is not text
  // first makes its archive binary.
  RcsJob Job(std::vector<std::string> options, const WorkFile& file, bool with_work) const;
  ArchiveRule Rule() const { return {config_.archives, config_.projects}; }
  RcsBatch Batch() const { return RcsBatch(runner_, config_.user_id, setup_.lock_wait); }

  EngineSetup setup_;
  EngineConfig config_;
  WorkFiles work_files_;
  RcsRunner runner_;
};

}  // namespace wnorb16
