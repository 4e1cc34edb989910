// The engine's files in a Subversion repository, through the working copy the project folder is:
// locks taken and released through the working copy (its lock tokens serve the commit), locks and
// latest revisions asked of the repository once per folder (the locks of a lock pass once for all
// its folders in one working copy, the working copy's own state kept from pass to pass while it is
// unchanged), history and contents from the repository. A lock someone else holds is never broken
// or stolen, and a commit never merges.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "wnorb16/disk.hpp"
#include "wnorb16/engine_config.hpp"
#include "wnorb16/store.hpp"
#include "wnorb16/svn/repository_worker.hpp"
#include "wnorb16/svn/svn_client.hpp"

namespace wnorb16::svn {

class SvnStore : public Store {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  // `clock` tells the age of the repository's answers kept for a lock pass. A working copy's state
  // is kept from one pass to the next once its database and folder went `settled` unchanged: a
  // change within the file system's timestamp resolution could keep every field of their status.
  explicit SvnStore(Clock clock = std::chrono::steady_clock::now,
                    std::chrono::milliseconds settled = std::chrono::seconds(2))
      : settled_(settled), clock_(std::move(clock)) {}

  void Configure(const EngineConfig& config) override;
  void NextCommand(bool lock_query) override;
  void WhileWaiting(const std::function<void()>& serve) override { remote_.WhileWaiting(serve); }
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

  // The client of what the working copy answers alone (no repository request).
  SvnClient& local() const { return local_; }
  // Sends `task` to the repository, waited for at most RepositoryTimeout. When it overruns, or the
  // repository is out of reach for a while already, its outcome's error names the repository.
  // `even_offline` sends it within the spell too: what a lost answer left is read back at once.
  Outcome Send(std::function<Outcome(SvnClient&)> task, bool even_offline = false) const;
  // The repository's latest revision of the file at `url` (`path` in the working copy): its
  // number, author and bytes; nullopt when there is none or it cannot be read. Asked within the
  // offline spell too; `reached` is false when the repository did not answer in time.
  std::optional<HeadFile> Head(const std::string& path, const std::string& url, bool& reached) const;
  // Whether the repository's `revision` holds a file at `url`; nullopt and `error` when the
  // repository is out of reach.
  std::optional<bool> HoldsFile(const std::string& url, long revision, std::string& error) const;
  const std::string& user() const { return user_; }
  // The folder as the working copy and the repository know it, asked once until Forget: its
  // locks, and with `revisions` its latest revisions and files new to the working copy too.
  const SvnFolder& FolderOf(const std::string& folder, bool revisions) const;
  // The entry of the file at `path`; null when the folder has none.
  const SvnEntry* EntryOf(const std::string& path, bool revisions = true) const;
  // The lock of `entry` as the engine reports it: the holder, and whether it is this working
  // copy's own.
  std::optional<FileLock> LockOf(const SvnEntry& entry) const;
  // The lock this working copy holds a token of, broken or taken over in the repository since, as
  // FileRecord::lost_lock says it; "" when there is none.
  std::string LostLockOf(const SvnEntry& entry) const;
  // Drops what the repository said: the next lock query asks again.
  void Forget() const {
    folders_.clear();
    kept_since_.reset();
    pass_locks_ = std::make_shared<PassLocks>();
  }
  // The engine changed the working copy: its state is read again, whatever its files' times say.
  void WorkingCopyChanged() const { kept_status_.clear(); }
  // Why the repository's user is not the UserID; "" when it is or is not known yet.
  std::string Mismatch() const;
  // The working-copy roots of `folders`, by folder; a folder in none is left out.
  std::map<std::string, std::string> RootsOf(const std::set<std::string>& folders) const;
  // Clears what a run of an engine that ended left in the working copy at `root`: the engine's
  // lock and Subversion's unfinished work and locks (svn cleanup), which carry no owner. Keeps
  // what was done for the next report (TakeCleared); false when nothing was.
  bool ClearEndedRun(const std::string& root) const;
  std::string TakeCleared() const { return std::exchange(cleared_, ""); }
  // Whether a request the engine gave up on is still under way.
  bool Abandoned() const { return remote_.Stuck(); }

 private:
  enum class Reach { kAnswered, kOverran, kNotSent };
  // `task` run on the repository's worker, at most RepositoryTimeout; nullopt when it overran or
  // was not sent (the repository out of reach a while already), as `reach` says.
  template <typename T>
  std::optional<T> Remote(std::function<T(SvnClient&)> task, Reach& reach, bool even_offline = false) const;
  // Whether the repository was found out of reach less than kOfflineSpell ago.
  bool Offline() const;
  void GoOffline(std::string why) const;
  std::string OverranWhy() const;
  // Why a command that needs the repository does nothing.
  std::string Refusal() const;
  // The folder as the working copy alone knows it (`known`), its own locks its only ones.
  SvnFolder Local(SvnFolder known) const;
  // The folder with the repository's latest revisions (a status report).
  SvnFolder AskRevisions(const std::string& folder) const;
  // The folder as a lock pass needs it: the working copy's state, and the repository's locks
  // asked once for the pass's folders where they share a working copy.
  SvnFolder AskLocks(const std::string& folder) const;
  // `local` answered without the repository, which overran (`reach`) or answered `answered`.
  SvnFolder Unanswered(SvnFolder local, Reach reach, const std::optional<SvnFolder>& answered) const;
  // The folder as the working copy alone knows it; for a lock query kept from one pass to the
  // next while neither the folder nor the working copy's database changed.
  SvnFolder WorkingCopyOf(const std::string& folder) const;
  // Whether the file system of the working copy at `root`, whose database has `database`'s
  // status, tells a change the moment it is made (see OnLocalFileSystem).
  bool OnLocal(const FileStatus& database, const std::string& root) const;

  mutable RepositoryWorker remote_;
  mutable SvnClient local_;
  std::chrono::milliseconds bound_{kDefaultRepositoryTimeout};
  bool lock_query_ = false;  // the command under way is a lock query
  // The root URL of the repository last seen, for the words that name it.
  mutable std::string repository_;
  // When the repository was last found out of reach (nullopt: not lately), why, naming it, and
  // whether a lock answer has said so since.
  mutable std::optional<std::chrono::steady_clock::time_point> offline_since_;
  mutable std::string offline_why_;
  mutable bool offline_told_ = false;
  mutable std::map<std::string, SvnFolder> folders_;
  // What the repository said of locks in this pass, shared with the request that asks it (which
  // may outlive an overrun: a new one is made then).
  mutable std::shared_ptr<PassLocks> pass_locks_ = std::make_shared<PassLocks>();
  // By the repository and the folder a pass began in, the folder of all its folders, learned
  // from the last pass that began there.
  mutable std::map<std::string, std::string> scopes_;
  mutable std::string pass_first_;
  // A lock pass's working-copy state of each folder, with what tells it unchanged.
  struct KeptStatus {
    std::string root;  // the working copy's
    FileStatus folder;
    FileStatus database;  // <root>/.svn/wc.db
    SvnFolder status;
  };
  mutable std::map<std::string, KeptStatus> kept_status_;
  mutable std::map<std::uint64_t, bool> local_devices_;
  std::chrono::milliseconds settled_;
  std::string user_;
  // Why Subversion cannot work with the configuration folder; "" when it can.
  std::string config_problem_;
  Clock clock_;
  std::chrono::seconds stale_lock_{600};
  mutable std::string cleared_;
  // When the last lock query began; a lock pass keeps what the repository said while its
  // queries follow each other within kLockPassGap, and for kMaxAnswerAge at most: a steady
  // stream of queries would otherwise keep it for good.
  std::chrono::steady_clock::time_point last_query_;
  // When the oldest answer kept was asked; nullopt when none is kept.
  mutable std::optional<std::chrono::steady_clock::time_point> kept_since_;
};

}  // namespace wnorb16::svn
