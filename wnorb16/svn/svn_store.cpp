#include "wnorb16/svn/svn_store.hpp"

#include <algorithm>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "posix/directory.hpp"
#include "posix/file_ops.hpp"
#include "vbrt/code_page.hpp"
#include "wnorb16/component_files.hpp"
#include "wnorb16/disk.hpp"
#include "wnorb16/run_lock.hpp"
#include "wnorb16/status_text.hpp"
#include "wnorb16/store_choice.hpp"
#include "wnorb16/work_files.hpp"

namespace wnorb16::svn {

namespace {

constexpr auto kLockPassGap = std::chrono::seconds(1);
constexpr auto kMaxAnswerAge = std::chrono::seconds(3);
// After the repository was found out of reach, lock queries answer from the working copy at once
// for this long, and commands that need it fail at once: a pass over a project costs one wait.
constexpr auto kOfflineSpell = std::chrono::seconds(10);
// What a project of any size keeps of working copies' states and of where its passes began.
constexpr std::size_t kMostKeptFolders = 4096;
constexpr std::size_t kMostScopes = 256;

// The same file, unchanged since `before` was taken.
bool Unchanged(const FileStatus& before, const FileStatus& now) {
  return before.exists && now.exists && before.device == now.device && before.inode == now.inode &&
         before.size == now.size && before.modified_ns == now.modified_ns &&
         before.changed_ns == now.changed_ns;
}

constexpr std::string_view kNewerCheckIn =
    "the repository holds a newer revision; not checked in, nothing merged";
constexpr std::string_view kNewerLock =
    "the repository holds a newer revision than the work file; not locked (E brings it with the lock)";
constexpr std::string_view kNoBranch =
    "option B makes a branch, which the Subversion store does not make per file; not updated";
constexpr std::string_view kNoSetRevision =
    "option S sets the revision's number, which Subversion gives itself; not updated";

std::string FolderOfPath(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOfPath(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

bool AllDigits(std::string_view text) {
  return !text.empty() && text.size() <= 9 &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "2024-03-01T17:05:09.000000Z" as the history shows it, "2024/03/01 17:05:09".
std::string HistoryDate(const std::string& date) {
  if (date.size() < 19) return date;
  std::string out = date.substr(0, 19);
  out[4] = out[7] = '/';
  out[10] = ' ';
  return out;
}

// The engine's lock on a working copy, held while a batch runs in it, beside Subversion's own.
std::string RunLockIn(const std::string& root) { return root + "/.svn/WNORB16.lock"; }

bool OwnLock(const SvnEntry& entry) {
  return entry.lock && !entry.own_token.empty() && entry.lock->token == entry.own_token;
}

std::string ConflictLine(const SvnEntry& entry) {
  return status::what::InConflict(entry.conflict_revision < 0 ? "" : std::to_string(entry.conflict_revision));
}

// The requests of one extract or update, run through the working copy together: one update, one
// lock, one commit for all files where Subversion takes them together.
class SvnStoreBatch : public StoreBatch {
 public:
  explicit SvnStoreBatch(const SvnStore& store) : store_(store) {}

  std::string Add(const WorkFile& file, const Request& request) override {
    if (request.kind == Request::Kind::kCheckIn) {
      if (request.numbering == Numbering::kBranch) return std::string(kNoBranch);
      if (request.numbering == Numbering::kSet) return std::string(kNoSetRevision);
    }
    Item item{file, request, false, false};
    if (const SvnEntry* entry = store_.EntryOf(file.work)) {
      const bool takes = request.kind == Request::Kind::kCheckOut || request.kind == Request::Kind::kCopy ||
                         request.kind == Request::Kind::kLock;
      // Brought up to date, the work file would be taken away; a lock cannot be had.
      if (takes && request.revision.empty() && entry->deleted)
        return status::what::DeletedInRepository(std::to_string(entry->latest));
      // A removal scheduled at a terminal would go in with the check-in, the edit lost with it.
      if (request.kind == Request::Kind::kCheckIn && entry->scheduled)
        return std::string(status::what::kRemovedHere);
      // The repository would refuse the lock on an old base; said now, a companion waits with it.
      if (request.kind == Request::Kind::kLock && entry->versioned && entry->latest > entry->changed) {
        const std::string lost = store_.LostLockOf(*entry);
        return lost.empty() ? std::string(kNewerLock) : status::what::LostLockLine(lost);
      }
      item.own = OwnLock(*entry);
      // The merge Subversion began is the user's to finish: an update, lock, commit or revert now
      // would act on its markers or throw away the user's side of it.
      if (entry->conflicted) return ConflictLine(*entry);
      // An update merges into a changed work file (or conflicts with a deletion the user
      // scheduled) and a revert discards either: only what changed under this working copy's lock
      // is the engine's to replace.
      const bool replaces = request.kind == Request::Kind::kCheckOut ||
                            request.kind == Request::Kind::kCopy || request.kind == Request::Kind::kDiscard;
      if (replaces && (entry->modified || entry->scheduled) && !item.own)
        return std::string(status::what::kChangedNotGivenOut);
      item.unchanged = request.kind == Request::Kind::kCheckIn && file.under_control && !entry->modified;
    }
    items_.push_back(std::move(item));
    return "";
  }

  void Withdraw() override { items_.pop_back(); }

  std::vector<FileReport> Run() override {
    SvnClient& local = store_.local();
    TakeRunLocks();
    std::vector<std::string> update, lock, revert, unlock, commit;
    std::vector<std::string> created, folders;
    bool keep = false;
    std::string message, lock_comment;
    long revision = -1;
    for (const Item& item : items_) {
      const std::string& path = item.file.work;
      const Request& request = item.request;
      switch (request.kind) {
        case Request::Kind::kCheckOut:
        case Request::Kind::kCopy:
          if (!request.revision.empty()) {
            revision = std::stol(request.revision);
            // Subversion would take away a work file the revision does not hold.
            const SvnEntry* entry = store_.EntryOf(path);
            std::string unreached;
            const std::optional<bool> holds =
                entry == nullptr ? false : store_.HoldsFile(entry->url, revision, unreached);
            if (!holds) {
              complaints_[path] = {vb::ActiveCodePage().FromUtf8Lossy(unreached), false};
              break;
            }
            if (!*holds) {
              complaints_[path] = {
                  "revision " + request.revision + " of the repository does not hold it; left alone", true};
              break;
            }
          }
          update.push_back(path);
          if (request.kind == Request::Kind::kCheckOut && !item.own) lock.push_back(path);
          lock_comment = request.message;
          break;
        case Request::Kind::kLock:
          lock.push_back(path);
          lock_comment = request.message;
          break;
        case Request::Kind::kDiscard:
          revert.push_back(path);
          if (!request.keep_lock) unlock.push_back(path);
          break;
        case Request::Kind::kCheckIn:
          keep = request.keep_lock;
          message = request.message;
          if (!item.file.under_control) {
            Outcome added = local.Add(path, WorkFiles::IsBinary(path).value_or(false));
            Note(added, {path});
            folders.insert(folders.end(), added.added_folders.begin(), added.added_folders.end());
            created.push_back(path);
            if (complaints_.count(path) == 0) commit.push_back(path);
          } else if (item.unchanged) {
            if (!keep) unlock.push_back(path);
          } else {
            commit.push_back(path);
          }
          break;
      }
    }
    if (!update.empty()) {
      Note(store_.Send([update, revision](SvnClient& client) { return client.Update(update, revision); }),
           update);
      // A file Subversion could not bring up to date is not locked on its old revision.
      std::erase_if(lock, [&](const std::string& path) { return complaints_.count(path) != 0; });
    }
    if (!lock.empty()) Note(Lock(lock, lock_comment), lock, kNewerLock);
    if (!revert.empty()) {
      Note(local.Revert(revert), revert);
      // Changes that are still there keep their lock.
      std::erase_if(unlock, [&](const std::string& path) { return complaints_.count(path) != 0; });
    }
    if (!commit.empty()) {
      Outcome together = Commit(WithFolders(commit, folders), message, keep);
      // One commit for all; when it fails, each component on its own (a designer file with its
      // companion, in one revision), so one refusal stops no other. One the repository did not
      // answer may still be stored whole.
      Note(together, commit, kNewerCheckIn);
      if (!together.ok() && commit.size() > 1 && !together.unreachable) {
        // What the repository stored before its answer was lost is not committed again; a refusal
        // as out of date stored nothing, and the files refused alone are read back after.
        if (!together.out_of_date) ReadBack(commit, keep, unlock);
        std::vector<std::string> rest;
        for (const std::string& path : commit) {
          if (read_back_.count(path) != 0) continue;
          complaints_.erase(path);
          rest.push_back(path);
        }
        const std::vector<std::size_t> companion = Companions(rest);
        for (std::size_t i = 0; i < rest.size(); ++i) {
          if (companion[i] < i) continue;
          std::vector<std::string> component{rest[i]};
          if (companion[i] != kNoCompanion) component.push_back(rest[companion[i]]);
          Note(Commit(WithFolders(component, folders), message, keep), component, kNewerCheckIn);
        }
      }
    }
    ReadBack(commit, keep, unlock);
    if (!unlock.empty()) Note(Unlock(unlock), unlock);
    std::vector<std::string> lock_created, not_created;
    for (const std::string& path : created) {
      if (complaints_.count(path) != 0) {
        not_created.push_back(path);
        continue;
      }
      // A new file is locked as its check-in asked, read-only otherwise, as svn:needs-lock keeps it.
      if (keep) {
        lock_created.push_back(path);
      } else {
        posix::SetReadOnly(path, true, posix::WriteBits::kEveryone);
      }
    }
    if (!lock_created.empty()) Note(Lock(lock_created, message), lock_created);
    // A file the repository refused stays as it was: not scheduled, the work file kept, and so do
    // the folders added for it alone (the deepest first; one that went in with another file is
    // not scheduled any more, and its revert does nothing).
    // A commit abandoned unanswered may still store them: they stay scheduled for it.
    if (!not_created.empty() && !store_.Abandoned()) {
      local.Revert(not_created);
      std::sort(folders.begin(), folders.end(), std::greater<>());
      if (!folders.empty()) local.Revert(folders);
    }
    // A repository read without credentials asks for them first at a lock: a lock taken for
    // another user than UserID is given back.
    if (std::string mismatch = store_.Mismatch(); !mismatch.empty()) {
      lock.insert(lock.end(), lock_created.begin(), lock_created.end());
      std::erase_if(lock, [&](const std::string& path) { return complaints_.count(path) != 0; });
      if (!lock.empty()) Unlock(lock);
      for (const std::string& path : lock) complaints_[path] = {mismatch, false};
    }
    store_.Forget();
    store_.WorkingCopyChanged();
    for (const std::string& run_lock : run_locks_) RemoveLockFile(run_lock);
    std::vector<FileReport> reports = Reports();
    if (std::string cleared = store_.TakeCleared(); !cleared.empty() && !reports.empty())
      reports.front().note = cleared + (reports.front().note.empty() ? "" : "; " + reports.front().note);
    return reports;
  }

 private:
  struct Item {
    WorkFile file;
    Request request;
    bool own = false;        // the working copy held the file's lock before
    bool unchanged = false;  // a check-in of a file that did not change
  };
  struct Complaint {
    std::string text;
    bool newer = false;
  };

  // A commit whose answer was lost (the connection broke once the repository held the revision),
  // or one refused as out of date by the user's own such commit before: the repository's latest
  // revision, by this user, holding exactly the work file, is the check-in, stored. The working
  // copy is brought to it (the same text: nothing merges) and the lock let go as asked.
  void ReadBack(const std::vector<std::string>& commit, bool keep, std::vector<std::string>& unlock) {
    std::map<long, std::vector<std::string>> stored;
    for (const std::string& path : commit) {
      const SvnEntry* entry = complaints_.count(path) != 0 ? store_.EntryOf(path) : nullptr;
      if (entry == nullptr || !entry->versioned || entry->url.empty()) continue;
      bool reached = true;
      std::optional<HeadFile> head = store_.Head(path, entry->url, reached);
      // A repository that does not answer now tells nothing of the rest either.
      if (!reached) break;
      if (!head || head->revision <= entry->changed || head->author != store_.user()) continue;
      const posix::WholeFile work = posix::ReadRegularFile(path);
      if (work.bytes && *work.bytes == head->bytes) stored[head->revision].push_back(path);
    }
    for (const auto& [revision, paths] : stored) {
      const Outcome brought = store_.Send(
          [paths = paths, revision = revision](SvnClient& client) { return client.Update(paths, revision); },
          true);
      for (const std::string& path : paths) {
        if (!brought.About(path).empty()) continue;
        complaints_.erase(path);
        read_back_.insert(path);
        if (!keep) unlock.push_back(path);
      }
    }
  }

  // Subversion's working-copy locks carry no owner: the engine's own beside them tells the next
  // engine that the run which left them has ended, and that the cleanup is its to run.
  void TakeRunLocks() {
    std::set<std::string> folders;
    for (const Item& item : items_) folders.insert(FolderOfPath(item.file.work));
    roots_ = store_.RootsOf(folders);
    std::set<std::string> roots;
    for (const auto& [folder, root] : roots_) roots.insert(root);
    for (const std::string& root : roots) {
      store_.ClearEndedRun(root);
      // Another engine's live run, or a folder that refuses the file, leaves Subversion's own locks to guard.
      if (TakeRunLock(RunLockIn(root)) == Taken::kTaken) run_locks_.push_back(RunLockIn(root));
    }
  }

  Outcome Lock(const std::vector<std::string>& paths, const std::string& comment) const {
    return store_.Send([paths, comment](SvnClient& client) { return client.Lock(paths, comment); });
  }
  Outcome Unlock(const std::vector<std::string>& paths) const {
    return store_.Send([paths](SvnClient& client) { return client.Unlock(paths); });
  }
  Outcome Commit(const std::vector<std::string>& paths, const std::string& message, bool keep) const {
    return store_.Send(
        [paths, message, keep](SvnClient& client) { return client.Commit(paths, message, keep); });
  }

  // `paths` and the folders of `added` they stand in: the commit of a file in a folder new to the
  // repository takes the folder with it.
  static std::vector<std::string> WithFolders(std::vector<std::string> paths,
                                              const std::vector<std::string>& added) {
    const std::vector<std::string> files = paths;
    for (const std::string& folder : added) {
      const bool holds = std::any_of(files.begin(), files.end(), [&](const std::string& file) {
        return file.size() > folder.size() && file.starts_with(folder) && file[folder.size()] == '/';
      });
      if (holds && std::find(paths.begin(), paths.end(), folder) == paths.end()) paths.push_back(folder);
    }
    return paths;
  }

  // Keeps what `outcome` says about each of `paths`; `newer` words a refusal for a newer revision.
  void Note(const Outcome& outcome, const std::vector<std::string>& paths, std::string_view newer = "") {
    for (const std::string& path : paths) {
      std::string about = outcome.About(path);
      if (about.empty() || complaints_.count(path) != 0) continue;
      if (outcome.out_of_date && !newer.empty()) {
        complaints_[path] = {std::string(newer), true};
      } else if (auto root = roots_.find(FolderOfPath(path)); outcome.locked && root != roots_.end()) {
        complaints_[path] = {
            vb::ActiveCodePage().FromUtf8Lossy(about + "; " + status::what::SvnCleanup(root->second)), false};
      } else {
        complaints_[path] = {vb::ActiveCodePage().FromUtf8Lossy(about), false};
      }
    }
  }

  // Each file as the working copy and the repository show it now.
  std::vector<FileReport> Reports() const {
    std::vector<FileReport> out;
    for (const Item& item : items_) {
      const Request& request = item.request;
      FileReport report;
      report.kept = request.keep_lock;
      const SvnEntry* entry = store_.EntryOf(item.file.work);
      auto complaint = complaints_.find(item.file.work);
      const bool own = entry != nullptr && OwnLock(*entry);
      if (entry != nullptr && complaint == complaints_.end()) {
        report.revision = std::to_string(entry->changed);
        switch (request.kind) {
          case Request::Kind::kCheckOut:
            report.done = own && !entry->modified;
            break;
          case Request::Kind::kLock:
            report.done = own;
            break;
          case Request::Kind::kCopy:
            report.done = entry->versioned && !entry->modified;
            break;
          case Request::Kind::kDiscard:
            report.done = !entry->modified && own == request.keep_lock;
            break;
          case Request::Kind::kCheckIn:
            report.done = entry->versioned && !entry->modified && own == request.keep_lock;
            report.created = !item.file.under_control;
            report.unchanged = item.unchanged;
            break;
        }
      }
      if (report.done && read_back_.count(item.file.work) != 0)
        report.note = std::string(status::what::kReadBack);
      if (!report.done) {
        if (entry != nullptr && entry->lock && !own) {
          report.holder = store_.LockOf(*entry)->holder;
        } else if (entry != nullptr && entry->conflicted) {
          report.left_alone = ConflictLine(*entry);
        } else if (complaint != complaints_.end() && complaint->second.newer) {
          report.left_alone = complaint->second.text;
        } else if (complaint != complaints_.end()) {
          report.error = complaint->second.text;
        } else {
          report.error = entry == nullptr ? "Subversion has no record of it" : "Subversion did not finish it";
        }
      }
      out.push_back(std::move(report));
    }
    return out;
  }

  const SvnStore& store_;
  std::vector<Item> items_;
  std::map<std::string, Complaint> complaints_;
  std::map<std::string, std::string> roots_;  // the working-copy root of each folder
  std::vector<std::string> run_locks_;        // the engine's locks this run took
  std::set<std::string> read_back_;           // check-ins found stored after Subversion's complaint
};

}  // namespace

void SvnStore::Configure(const EngineConfig& config) {
  user_ = config.user_id;
  stale_lock_ = StaleLockOf(config.stale_lock).value_or(kDefaultStaleLock);
  // A value out of bounds is refused with the settings; the default stands meanwhile.
  bound_ = RepositoryTimeoutOf(config.repository_timeout).value_or(kDefaultRepositoryTimeout);
  remote_.Configure(config.config_dir);
  // The worker's client reads the same folder, and answers every request with the same complaint.
  config_problem_ = local_.Configure(config.config_dir);
  WorkingCopyChanged();
  Forget();
}

template <typename T>
std::optional<T> SvnStore::Remote(std::function<T(SvnClient&)> task, Reach& reach, bool even_offline) const {
  if (Offline() && !even_offline) {
    reach = Reach::kNotSent;
    return std::nullopt;
  }
  std::optional<T> answer = remote_.Call<T>(std::move(task), bound_);
  reach = answer ? Reach::kAnswered : Reach::kOverran;
  if (!answer) GoOffline(OverranWhy());
  return answer;
}

bool SvnStore::Offline() const { return offline_since_ && clock_() - *offline_since_ < kOfflineSpell; }

void SvnStore::GoOffline(std::string why) const {
  offline_since_ = clock_();
  offline_why_ = std::move(why);
  offline_told_ = false;
}

std::string SvnStore::OverranWhy() const {
  return "the repository " + repository_ + " did not answer within " +
         std::to_string(std::chrono::duration_cast<std::chrono::seconds>(bound_).count()) +
         " s (RepositoryTimeout)";
}

std::string SvnStore::Refusal() const {
  return offline_why_ + "; nothing was done: try again when it answers";
}

Outcome SvnStore::Send(std::function<Outcome(SvnClient&)> task, bool even_offline) const {
  Reach reach = Reach::kAnswered;
  std::optional<Outcome> answer = Remote(std::move(task), reach, even_offline);
  if (answer) {
    if (answer->unreachable) GoOffline("the repository " + repository_ + " cannot be reached");
    return *answer;
  }
  Outcome out;
  out.unreachable = true;
  // What was sent may still be done when the repository answers; the next command shows it.
  out.error = reach == Reach::kNotSent ? Refusal()
                                       : offline_why_ + "; Subversion may still finish this when it answers";
  return out;
}

std::optional<HeadFile> SvnStore::Head(const std::string& path, const std::string& url, bool& reached) const {
  Reach reach = Reach::kAnswered;
  std::optional<std::optional<HeadFile>> head = Remote<std::optional<HeadFile>>(
      [path, url](SvnClient& client) { return client.Head(path, url); }, reach, true);
  reached = head.has_value();
  if (!head) return std::nullopt;
  // The repository answered: a connection lost under a commit was that connection's alone.
  if (*head) offline_since_.reset();
  return *head;
}

std::optional<bool> SvnStore::HoldsFile(const std::string& url, long revision, std::string& error) const {
  Reach reach = Reach::kAnswered;
  std::optional<bool> holds =
      Remote<bool>([url, revision](SvnClient& client) { return client.HoldsFile(url, revision); }, reach);
  if (!holds) error = Refusal();
  return holds;
}

SvnFolder SvnStore::Local(SvnFolder known) const {
  known.offline = true;
  // Kept as if with the revisions: a pass asks no more of the working copy.
  known.revisions = true;
  for (auto& [name, entry] : known.files) {
    if (!entry.own_token.empty()) entry.lock = RepositoryLock{entry.own_owner, entry.own_token};
  }
  return known;
}

void SvnStore::NextCommand(bool lock_query) {
  lock_query_ = lock_query;
  const auto now = clock_();
  if (!lock_query || now - last_query_ > kLockPassGap || (kept_since_ && now - *kept_since_ > kMaxAnswerAge))
    Forget();
  last_query_ = lock_query ? now : std::chrono::steady_clock::time_point();
}

std::string SvnStore::Mismatch() const {
  const std::string& known = remote_.user();
  if (known.empty() || known == user_) return "";
  return "UserID \"" + user_ + "\" is not the Subversion user \"" + known +
         "\" whose stored credentials the repository took, and who holds the locks this engine takes; set "
         "UserID=" +
         known + " in [Engine] of WNORB.INI and send CONFIG";
}

std::string SvnStore::UserProblem(const std::string& user_id) const {
  if (!config_problem_.empty()) return config_problem_;
  const std::string& known = remote_.user();
  if (known.empty() || known == user_id) return "";
  return "UserID \"" + user_id + "\" is not the Subversion user \"" + known +
         "\" whose stored credentials the repository took";
}

std::string SvnStore::VersionProblem(const std::string& version) const {
  if (AllDigits(version)) return "";
  return "\"" + version + "\" is not a Subversion revision number such as 7";
}

std::string SvnStore::DefaultPlace() const { return "the Subversion working copy of each file"; }

std::map<std::string, std::string> SvnStore::RootsOf(const std::set<std::string>& folders) const {
  std::map<std::string, std::string> roots;
  for (const std::string& folder : folders) {
    if (std::string root = local_.RootOf(folder); !root.empty()) roots[folder] = std::move(root);
  }
  return roots;
}

bool SvnStore::ClearEndedRun(const std::string& root) const {
  const std::string run_lock = RunLockIn(root);
  // Without the engine's lock only the person can tell whether a Subversion command still runs.
  std::optional<std::string> stale = StaleRunReason(run_lock, run_lock, stale_lock_);
  if (!stale || !local_.Cleanup(root).empty()) return false;
  RemoveLockFile(run_lock);
  kept_status_.clear();
  cleared_ = *stale + ", and the working copy cleaned up (svn cleanup)";
  return true;
}

SvnFolder SvnStore::Unanswered(SvnFolder local, Reach reach, const std::optional<SvnFolder>& answered) const {
  // The working copy still knows its own locks and base revisions.
  local = Local(std::move(local));
  if (!local.repository.empty()) repository_ = local.repository;
  if (reach == Reach::kOverran) offline_why_ = OverranWhy();
  if (answered) {
    const std::string prefix = "Subversion cannot tell the state of " + local.path + ": ";
    std::string words = answered->error;
    if (words.starts_with(prefix)) words.erase(0, prefix.size());
    GoOffline("the repository " + repository_ + " cannot be reached (" + words + ")");
  }
  return local;
}

SvnFolder SvnStore::AskRevisions(const std::string& folder) const {
  Reach reach = Reach::kAnswered;
  std::optional<SvnFolder> answered = Remote<SvnFolder>(
      [folder](SvnClient& client) { return client.Status(folder, SvnClient::Asked::kRevisions); }, reach);
  if (answered && !answered->repository.empty()) repository_ = answered->repository;
  if (answered && !answered->unreachable) return std::move(*answered);
  return Unanswered(local_.Status(folder, SvnClient::Asked::kLocal), reach, answered);
}

SvnFolder SvnStore::AskLocks(const std::string& folder) const {
  SvnFolder local = WorkingCopyOf(folder);
  if (!local.repository.empty()) repository_ = local.repository;
  if (!local.error.empty() || !local.relpath) return local;
  if (!pass_locks_->NeedsRepository(local)) {
    pass_locks_->ApplyTo(local);
    return local;
  }
  // The first folder of a pass asks for the folder the last pass that began there needed at
  // every depth; a later one not covered, for the folder both are in: one request for a project
  // in one working copy, however many folders.
  const std::string& relpath = *local.relpath;
  std::string scope = relpath;
  bool deep = false;
  if (pass_locks_->asked && pass_locks_->repository == local.repository) {
    scope = CommonFolder(pass_locks_->relpath, relpath);
    deep = true;
    if (!pass_locks_->Covers(local)) {
      if (scopes_.size() >= kMostScopes) scopes_.clear();
      scopes_[pass_first_] = scope;
    }
  } else if (!pass_locks_->asked) {
    pass_first_ = local.repository + " " + relpath;
    auto learned = scopes_.find(pass_first_);
    if (learned != scopes_.end() && CommonFolder(learned->second, relpath) == learned->second) {
      scope = learned->second;
      deep = true;
    }
  }
  Reach reach = Reach::kAnswered;
  std::shared_ptr<PassLocks> pass = pass_locks_;
  std::optional<SvnFolder> answered = Remote<SvnFolder>(
      [local, pass, scope, deep](SvnClient& client) { return client.PassStatus(local, *pass, scope, deep); },
      reach);
  // An abandoned request may still write what it was told: the pass goes on without it.
  if (!answered) pass_locks_ = std::make_shared<PassLocks>();
  if (answered && !answered->unreachable) return std::move(*answered);
  return Unanswered(std::move(local), reach, answered);
}

SvnFolder SvnStore::WorkingCopyOf(const std::string& folder) const {
  // What a command that changes files acts on is read as it is now.
  if (!lock_query_) return local_.Status(folder, SvnClient::Asked::kLocal);
  const FileStatus here = StatusOf(folder);
  auto kept = kept_status_.find(folder);
  if (kept != kept_status_.end() && Unchanged(kept->second.folder, here) &&
      Unchanged(kept->second.database, StatusOf(kept->second.root + "/.svn/wc.db")))
    return kept->second.status;
  const std::string root = kept != kept_status_.end() ? kept->second.root : local_.RootOf(folder);
  const FileStatus database = root.empty() ? FileStatus{} : StatusOf(root + "/.svn/wc.db");
  const auto read_at = std::chrono::system_clock::now();
  SvnFolder status = local_.Status(folder, SvnClient::Asked::kLocal);
  // The stamps were taken before the read, so a change since shows next time; one too recent to
  // be told apart by its times is read again instead, as is a folder on a shared file system.
  const std::int64_t settled_ns =
      std::chrono::duration_cast<std::chrono::nanoseconds>((read_at - settled_).time_since_epoch()).count();
  auto settled = [&](const FileStatus& stamp) {
    return stamp.exists && stamp.modified_ns < settled_ns && stamp.changed_ns < settled_ns;
  };
  if (status.error.empty() && settled(here) && settled(database) && OnLocal(database, root)) {
    if (kept_status_.size() >= kMostKeptFolders) kept_status_.clear();
    kept_status_.insert_or_assign(folder, KeptStatus{root, here, database, status});
  } else {
    kept_status_.erase(folder);
  }
  return status;
}

bool SvnStore::OnLocal(const FileStatus& database, const std::string& root) const {
  auto known = local_devices_.find(database.device);
  if (known == local_devices_.end())
    known = local_devices_.emplace(database.device, OnLocalFileSystem(root)).first;
  return known->second;
}

const SvnFolder& SvnStore::FolderOf(const std::string& folder, bool revisions) const {
  auto it = folders_.find(folder);
  if (it != folders_.end() && (it->second.revisions || !revisions)) return it->second;
  if (!kept_since_) kept_since_ = clock_();
  auto ask = [&] { return revisions ? AskRevisions(folder) : AskLocks(folder); };
  SvnFolder known = ask();
  if (known.locked) {
    const std::string root = local_.RootOf(folder);
    if (!root.empty() && ClearEndedRun(root)) {
      known = ask();
    } else if (!root.empty()) {
      known.error += "; " + status::what::SvnCleanup(root);
    }
  }
  if (it != folders_.end()) {
    it->second = std::move(known);
    return it->second;
  }
  return folders_.emplace(folder, std::move(known)).first->second;
}

const SvnEntry* SvnStore::EntryOf(const std::string& path, bool revisions) const {
  const SvnFolder& folder = FolderOf(FolderOfPath(path), revisions);
  auto it = folder.files.find(NameOfPath(path));
  return it == folder.files.end() ? nullptr : &it->second;
}

std::optional<FileLock> SvnStore::LockOf(const SvnEntry& entry) const {
  if (!entry.lock) return std::nullopt;
  if (OwnLock(entry)) return FileLock{entry.lock->owner, std::to_string(entry.changed)};
  std::string holder = entry.lock->owner;
  // The user's lock taken in another working copy cannot serve a commit from this one.
  if (holder == user_) holder += " (another working copy)";
  return FileLock{holder, std::to_string(entry.latest)};
}

std::string SvnStore::LostLockOf(const SvnEntry& entry) const {
  if (entry.own_token.empty() || OwnLock(entry)) return "";
  const std::string newer = entry.latest > entry.changed ? std::to_string(entry.latest) : "";
  return status::what::LostLock(entry.lock ? LockOf(entry)->holder : "", newer);
}

Placement SvnStore::Place(const std::string& folder, const std::string& name, std::string_view,
                          FolderListings&) const {
  Placement placed;
  // A command that changes the working copy waits for a request abandoned before, which may hold
  // its lock; a lock query reads it as it is.
  if (!lock_query_ && !Offline() && remote_.Stuck()) {
    placed.error = "a request to the repository " + repository_ +
                   " that did not answer is still under way; nothing was done: try again when it answers";
    return placed;
  }
  // The working copy's files and the locks suffice unless the file is new to the working copy.
  const SvnFolder* seen = &FolderOf(folder, false);
  if (seen->error.empty() && seen->files.count(name) == 0 && !EntryExists(posix::JoinPath(folder, name)))
    seen = &FolderOf(folder, true);
  const SvnFolder& known = *seen;
  if (!known.error.empty()) {
    // A folder in no working copy concerns its own files; the others of a command go on.
    (known.outside ? placed.refused : placed.error) = vb::ActiveCodePage().FromUtf8Lossy(known.error);
    placed.record = posix::JoinPath(folder, name);
    placed.record_folder = folder;
    return placed;
  }
  if (std::string mismatch = Mismatch(); !mismatch.empty()) {
    placed.error = mismatch;
    return placed;
  }
  // Only a lock query can be answered without the repository.
  if (known.offline && !lock_query_) {
    placed.error = Refusal();
    return placed;
  }
  std::string spelled = name;
  auto it = known.files.find(name);
  if (it == known.files.end()) {
    // Windows would find the file whatever the case of its name.
    it = std::find_if(known.files.begin(), known.files.end(),
                      [&](const auto& entry) { return vb::Utf8EqualsIgnoringCase(entry.first, name); });
  }
  if (it != known.files.end()) {
    spelled = it->first;
    // A file the working copy does not know yet, whose work file is there, is the user's own
    // new file: its check-in adds it, and the repository refuses it when someone added one first.
    placed.under_control = it->second.versioned ||
                           (it->second.only_in_repository && !EntryExists(posix::JoinPath(folder, spelled)));
    if (placed.under_control) placed.spelling = spelled;
  }
  placed.record = posix::JoinPath(folder, spelled);
  placed.record_folder = folder;
  return placed;
}

std::optional<FileRecord> SvnStore::Read(const WorkFile& file, RecordPart part) const {
  const SvnFolder& folder = FolderOf(FolderOfPath(file.record), part == RecordPart::kRevisions);
  auto it = folder.files.find(NameOfPath(file.record));
  if (it == folder.files.end()) return std::nullopt;
  const SvnEntry* entry = &it->second;
  FileRecord record;
  if (folder.offline) {
    record.offline = true;
    if (!offline_told_) record.offline_why = offline_why_;
    offline_told_ = true;
  }
  if (std::optional<FileLock> lock = LockOf(*entry)) record.locks.push_back(*lock);
  record.lost_lock = LostLockOf(*entry);
  record.latest = std::to_string(entry->latest);
  if (entry->latest_date != 0) record.latest_date = entry->latest_date / 1000000;
  return record;
}

FileHistory SvnStore::History(const WorkFile& file) const {
  FileHistory history;
  const SvnEntry* entry = EntryOf(file.record);
  if (entry == nullptr || entry->url.empty()) {
    history.problem = "has no history in the repository";
    return history;
  }
  using Logged = std::pair<std::vector<LogEntry>, std::string>;
  Reach reach = Reach::kAnswered;
  const std::string url = entry->url;
  std::optional<Logged> logged = Remote<Logged>(
      [url](SvnClient& client) {
        Logged out;
        out.first = client.Log(url, out.second);
        return out;
      },
      reach);
  if (!logged) {
    history.problem = "cannot be read: " + vb::ActiveCodePage().FromUtf8Lossy(Refusal());
    return history;
  }
  const std::string& error = logged->second;
  const std::vector<LogEntry>& log = logged->first;
  if (!error.empty()) {
    history.problem = "cannot be read: " + vb::ActiveCodePage().FromUtf8Lossy(error);
    return history;
  }
  for (auto it = log.rbegin(); it != log.rend(); ++it) {
    history.revisions.push_back(
        {std::to_string(it->revision), HistoryDate(it->date), it->author, "", it->message});
  }
  return history;
}

Comparison SvnStore::Compare(const WorkFile& recorded, const WorkFile& work) const {
  Comparison comparison;
  struct Got {
    std::optional<std::string> bytes;
    bool binary = false;
    std::string error;
  };
  Reach reach = Reach::kAnswered;
  const std::string path = recorded.record;
  std::optional<Got> got = Remote<Got>(
      [path](SvnClient& client) {
        Got out;
        out.bytes = client.Latest(path, out.binary, out.error);
        return out;
      },
      reach);
  if (!got) got = Got{std::nullopt, false, Refusal()};
  const bool binary = got->binary;
  const std::string& error = got->error;
  const std::optional<std::string>& latest = got->bytes;
  if (!latest) {
    comparison.reason = vb::ActiveCodePage().FromUtf8Lossy(error);
    return comparison;
  }
  posix::WholeFile current = posix::ReadRegularFile(work.work);
  if (!current.bytes) {
    comparison.reason = "the work file " + WhyUnread(current);
    return comparison;
  }
  if (*current.bytes == *latest) {
    comparison.result = Comparison::Result::kSame;
    return comparison;
  }
  const SvnEntry* entry = EntryOf(recorded.record);
  const std::string before =
      work.received + "\t(revision " + (entry != nullptr ? std::to_string(entry->latest) : "HEAD") + ")";
  const std::string after = work.received + "\t(working copy)";
  comparison.result = Comparison::Result::kDiffer;
  if (binary || WorkFiles::IsBinary(work.work).value_or(false) || latest->find('\0') != std::string::npos) {
    comparison.diff = "Binary files " + before + " and " + after + " differ\n";
  } else {
    comparison.diff = local_.Diff(*latest, *current.bytes, before, after);
  }
  return comparison;
}

std::optional<bool> SvnStore::Holds(const WorkFile& file, const std::string& revision) const {
  const SvnEntry* entry = EntryOf(file.record);
  if (entry == nullptr) return std::nullopt;
  return !entry->modified && !entry->scheduled && std::to_string(entry->changed) == revision;
}

// The working copy knows the revision its base comes from, whatever the clocks of the machines say.
std::optional<bool> SvnStore::AtLatest(const WorkFile& file) const {
  const SvnEntry* entry = EntryOf(file.record);
  if (entry == nullptr) return std::nullopt;
  return entry->versioned && !entry->deleted && entry->latest <= entry->changed;
}

std::unique_ptr<StoreBatch> SvnStore::Batch() const { return std::make_unique<SvnStoreBatch>(*this); }

}  // namespace wnorb16::svn

namespace wnorb16 {

std::unique_ptr<Store> SubversionStore(const std::string&) { return std::make_unique<svn::SvnStore>(); }

}  // namespace wnorb16
