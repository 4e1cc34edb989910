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
#include "wnorb16/status_text.hpp"
#include "wnorb16/work_files.hpp"

namespace wnorb16::svn {

namespace {

constexpr auto kLockPassGap = std::chrono::seconds(1);
constexpr auto kMaxAnswerAge = std::chrono::seconds(3);

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
      if (request.kind == Request::Kind::kLock && entry->versioned && entry->latest > entry->changed)
        return std::string(kNewerLock);
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
    SvnClient& client = store_.client();
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
            if (entry == nullptr || !client.HoldsFile(entry->url, revision)) {
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
            Outcome added = client.Add(path, WorkFiles::IsBinary(path).value_or(false));
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
      Note(client.Update(update, revision), update);
      // A file Subversion could not bring up to date is not locked on its old revision.
      std::erase_if(lock, [&](const std::string& path) { return complaints_.count(path) != 0; });
    }
    if (!lock.empty()) Note(client.Lock(lock, lock_comment), lock, kNewerLock);
    if (!revert.empty()) {
      Note(client.Revert(revert), revert);
      // Changes that are still there keep their lock.
      std::erase_if(unlock, [&](const std::string& path) { return complaints_.count(path) != 0; });
    }
    if (!commit.empty()) {
      Outcome together = client.Commit(WithFolders(commit, folders), message, keep);
      // One commit for all; when it fails, each component on its own (a designer file with its
      // companion, in one revision), so one refusal stops no other.
      if (together.ok() || commit.size() == 1) {
        Note(together, commit, kNewerCheckIn);
      } else {
        const std::vector<std::size_t> companion = Companions(commit);
        for (std::size_t i = 0; i < commit.size(); ++i) {
          if (companion[i] < i) continue;
          std::vector<std::string> component{commit[i]};
          if (companion[i] != kNoCompanion) component.push_back(commit[companion[i]]);
          Note(client.Commit(WithFolders(component, folders), message, keep), component, kNewerCheckIn);
        }
      }
    }
    if (!unlock.empty()) Note(client.Unlock(unlock), unlock);
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
    if (!lock_created.empty()) Note(client.Lock(lock_created, message), lock_created);
    // A file the repository refused stays as it was: not scheduled, the work file kept, and so do
    // the folders added for it alone (the deepest first; one that went in with another file is
    // not scheduled any more, and its revert does nothing).
    if (!not_created.empty()) {
      client.Revert(not_created);
      std::sort(folders.begin(), folders.end(), std::greater<>());
      if (!folders.empty()) client.Revert(folders);
    }
    // A repository read without credentials asks for them first at a lock: a lock taken for
    // another user than UserID is given back.
    if (std::string mismatch = store_.Mismatch(); !mismatch.empty()) {
      lock.insert(lock.end(), lock_created.begin(), lock_created.end());
      std::erase_if(lock, [&](const std::string& path) { return complaints_.count(path) != 0; });
      if (!lock.empty()) client.Unlock(lock);
      for (const std::string& path : lock) complaints_[path] = {mismatch, false};
    }
    store_.Forget();
    return Reports();
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
};

}  // namespace

void SvnStore::Configure(const EngineConfig& config) {
  user_ = config.user_id;
  client_.Configure(config.config_dir);
  Forget();
}

void SvnStore::NextCommand(bool lock_query) {
  const auto now = clock_();
  if (!lock_query || now - last_query_ > kLockPassGap || (kept_since_ && now - *kept_since_ > kMaxAnswerAge))
    Forget();
  last_query_ = lock_query ? now : std::chrono::steady_clock::time_point();
}

std::string SvnStore::Mismatch() const {
  const std::string& known = client_.user();
  if (known.empty() || known == user_) return "";
  return "UserID \"" + user_ + "\" is not the Subversion user \"" + known +
         "\" whose stored credentials the repository took, and who holds the locks this engine takes; set "
         "UserID=" +
         known + " in [Engine] of WNORB.INI and send CONFIG";
}

std::string SvnStore::UserProblem(const std::string& user_id) const {
  const std::string& known = client_.user();
  if (known.empty() || known == user_id) return "";
  return "UserID \"" + user_id + "\" is not the Subversion user \"" + known +
         "\" whose stored credentials the repository took";
}

std::string SvnStore::VersionProblem(const std::string& version) const {
  if (AllDigits(version)) return "";
  return "\"" + version + "\" is not a Subversion revision number such as 7";
}

std::string SvnStore::DefaultPlace() const { return "the Subversion working copy of each file"; }

const SvnFolder& SvnStore::FolderOf(const std::string& folder, bool revisions) const {
  auto it = folders_.find(folder);
  if (it != folders_.end() && (it->second.revisions || !revisions)) return it->second;
  if (!kept_since_) kept_since_ = clock_();
  SvnFolder known =
      client_.Status(folder, revisions ? SvnClient::Asked::kRevisions : SvnClient::Asked::kLocks);
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

Placement SvnStore::Place(const std::string& folder, const std::string& name, std::string_view,
                          FolderListings&) const {
  Placement placed;
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
  const SvnEntry* entry = EntryOf(file.record, part == RecordPart::kRevisions);
  if (entry == nullptr) return std::nullopt;
  FileRecord record;
  if (std::optional<FileLock> lock = LockOf(*entry)) record.locks.push_back(*lock);
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
  std::string error;
  std::vector<LogEntry> log = client_.Log(entry->url, error);
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
  bool binary = false;
  std::string error;
  std::optional<std::string> latest = client_.Latest(recorded.record, binary, error);
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
    comparison.diff = client_.Diff(*latest, *current.bytes, before, after);
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
