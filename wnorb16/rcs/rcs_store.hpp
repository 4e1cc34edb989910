// The engine's files in GNU RCS archives: locks and histories read from the ",v" files
// themselves, check-outs, check-ins and comparisons through RCS's own programs.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

#include "posix/path_resolver.hpp"
#include "wnorb16/engine_config.hpp"
#include "wnorb16/rcs/archive_placement.hpp"
#include "wnorb16/rcs/rcs_archive.hpp"
#include "wnorb16/rcs/rcs_runner.hpp"
#include "wnorb16/rcs/work_file_bases.hpp"
#include "wnorb16/run_lock.hpp"
#include "wnorb16/store.hpp"

namespace wnorb16::rcs {

struct RcsSetup {
  posix::PathResolver resolver;
  std::string home_folder;      // where Projects= points when it is empty
  std::string programs_folder;  // where co, ci, rcs and rcsdiff are; "" for PATH
  // How long to wait for another RCS run to finish with an archive.
  std::chrono::milliseconds lock_wait;
  std::string bases_file;  // where the revisions work files came from are kept; "" for none
  // Whether an archive's status changes the moment the archive does: OnLocalFileSystem, asked
  // once per file system (device) the archives are on.
  std::function<bool(const std::string& archive)> local_file_system = OnLocalFileSystem;
};

// A revision a lock or check-in would store over, which the work file does not come from.
struct UnseenRevision {
  std::string newer;
  std::string base;  // what the work file came from; "" when the engine does not know
};

class RcsStore : public Store {
 public:
  explicit RcsStore(RcsSetup setup);

  void Configure(const EngineConfig& config) override;
  std::string UserProblem(const std::string& user_id) const override;
  std::string VersionProblem(const std::string& version) const override;
  std::string DefaultPlace() const override;
  Placement Place(const std::string& folder, const std::string& name, std::string_view received,
                  FolderListings& listings) const override;
  std::optional<FileRecord> Read(const WorkFile& file, RecordPart part) const override;
  FileHistory History(const WorkFile& file) const override;
  Comparison Compare(const WorkFile& recorded, const WorkFile& work) const override;
  std::optional<bool> Holds(const WorkFile& file, const std::string& revision) const override;
  std::optional<bool> AtLatest(const WorkFile& file) const override;
  std::unique_ptr<StoreBatch> Batch() const override;

  // The archive's header up to `part`; nullopt when it cannot be read.
  std::optional<Archive> ReadHeader(const std::string& archive, HeaderPart part) const;
  const RcsRunner& runner() const { return runner_; }
  const std::string& user() const { return user_; }
  std::chrono::milliseconds lock_wait() const { return lock_wait_; }
  std::chrono::seconds stale_lock() const { return stale_lock_; }
  WorkFileBases& bases() const { return bases_; }

  // The revision that a lock of `revision` ("" for the latest), or a check-in under its lock
  // (`check_in`), would have the work file's text stored over, when the work file does not come
  // from it; nullopt when it does, or when the new revision would start a branch of its own.
  std::optional<UnseenRevision> Unseen(const WorkFile& file, const Archive& archive,
                                       const std::string& revision, bool check_in) const;

 private:
  ArchivePlacement placement_;
  std::string default_programs_;  // the setup's folder, for when RcsPrograms= names none
  RcsRunner runner_;
  std::chrono::milliseconds lock_wait_;
  std::chrono::seconds stale_lock_ = kDefaultStaleLock;
  std::string user_;
  ArchiveRule rule_;
  // Whether the locks of `file`'s archive may be kept: its file system is local.
  bool MayKeepLocks(const WorkFile& file) const;

  // The locks of archives read for lock queries, by path, with the archive's status when read.
  // A project's lock pass asks for every file again after each change; an archive whose status
  // is unchanged is not read again. Only on a local file system: a shared folder's client may
  // answer a status it cached after another machine changed the archive.
  struct KnownLocks {
    FileStatus status;
    FileRecord record;
  };
  mutable std::unordered_map<std::string, KnownLocks> known_locks_;
  std::function<bool(const std::string&)> local_file_system_;
  mutable std::unordered_map<std::uint64_t, bool> local_devices_;  // by FileStatus::device
  mutable WorkFileBases bases_;
};

}  // namespace wnorb16::rcs
