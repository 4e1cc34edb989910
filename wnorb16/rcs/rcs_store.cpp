#include "wnorb16/rcs/rcs_store.hpp"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "posix/file_ops.hpp"
#include "vbrt/code_page.hpp"
#include "wnorb16/disk.hpp"
#include "wnorb16/rcs/rcs_batch.hpp"
#include "wnorb16/rcs/rcs_numbering.hpp"
#include "wnorb16/status_text.hpp"
#include "wnorb16/work_files.hpp"

namespace wnorb16::rcs {

namespace {

// Most headers fit here; a longer one is read whole.
constexpr std::size_t kAdminRead = 4096;
constexpr std::size_t kHeaderRead = 16384;

// How long after its last change an archive's locks may be kept: a change within the file
// system's timestamp resolution (two seconds on FAT) could keep every field of its status. The
// bound caps what a project of any size keeps.
constexpr std::chrono::seconds kSettled{2};
constexpr std::size_t kMaxKnownLocks = 1 << 17;

// The same file, unchanged since `before` was taken.
bool Unchanged(const FileStatus& before, const FileStatus& now) {
  return before.device == now.device && before.inode == now.inode && before.size == now.size &&
         before.modified_ns == now.modified_ns && before.changed_ns == now.changed_ns;
}

constexpr char kDescription[] = "Added by WNORB16";
constexpr std::string_view kBusy = "in use by another RCS command; left alone";

// A revision number of the archive beyond what the engine counts.
std::string OutOfRange(std::string_view revision) {
  return "revision number " + std::string(revision) +
         " of the archive is out of the engine's range (each field at most " +
         std::to_string(kMaxRevisionField) + "); archive left unchanged";
}

// "; RCS did not finish: <complaint>" after a stored revision whose work file RCS left as it was.
std::string Unfinished(std::string_view complaint) {
  return "; RCS did not finish: " + vb::ActiveCodePage().FromUtf8Lossy(complaint);
}

// A file RCS must keep as binary: the work file's rule, or a NUL byte in the archive when there
// is no work file to read.
bool IsBinary(const WorkFile& file) {
  std::optional<bool> binary = WorkFiles::IsBinary(file.work);
  if (!binary && file.under_control) binary = posix::HoldsNulByte(file.record);
  return binary.value_or(false);
}

// The requests of one extract or update as jobs of one RCS program.
class RcsStoreBatch : public StoreBatch {
 public:
  explicit RcsStoreBatch(const RcsStore& store) : store_(store) {}

  std::string Add(const WorkFile& file, const Request& request) override {
    std::vector<std::string> options;
    bool with_work = true;
    std::optional<Archive> header;
    switch (request.kind) {
      case Request::Kind::kLock:
        program_ = "rcs";
        header = store_.ReadHeader(file.record, HeaderPart::kDeltas);
        if (!header) return status::what::Failed("the archive cannot be read");
        if (auto unseen = store_.Unseen(file, *header, request.revision, false))
          return status::what::NewerNotLocked(unseen->newer, unseen->base);
        options = {"-l" + request.revision};
        with_work = false;
        break;
      case Request::Kind::kCheckOut:
      case Request::Kind::kCopy:
        program_ = "co";
        options = {(request.kind == Request::Kind::kCopy ? "-r" : "-l") + request.revision};
        break;
      case Request::Kind::kDiscard:
        // The work file is the one given out with this lock: discarding it is the request.
        program_ = "co";
        options = {"-f", (request.keep_lock ? "-l" : "-u") + request.revision};
        break;
      case Request::Kind::kCheckIn:
        program_ = "ci";
        options = {request.keep_lock ? "-l" : "-u", "-m" + request.message,
                   std::string("-t-") + kDescription};
        if (!file.under_control) {
          if (!posix::MakeFolders(file.record_folder))
            return status::what::Failed("no archive folder " + file.record_folder);
          options.push_back("-i");
          if (!request.version.empty()) options.push_back("-r" + request.version);
          break;
        }
        header = store_.ReadHeader(file.record, HeaderPart::kDeltas);
        if (!header) return status::what::Failed("the archive cannot be read");
        if (auto unseen = store_.Unseen(file, *header, request.revision, true))
          return status::what::NewerNotCheckedIn(unseen->newer, unseen->base);
        Numbered number = NewRevision(request.numbering, *header, request.revision, request.version);
        if (!number.out_of_range.empty()) return OutOfRange(number.out_of_range);
        if (!number.revision.empty()) options.push_back("-r" + number.revision);
        break;
    }
    jobs_.push_back(Job(std::move(options), file, with_work, header));
    files_.push_back(file);
    keep_.push_back(request.keep_lock);
    writes_.push_back(with_work);
    return "";
  }

  void Withdraw() override {
    jobs_.pop_back();
    files_.pop_back();
    keep_.pop_back();
    writes_.pop_back();
  }

  std::vector<FileReport> Run() override {
    const RcsBatch batch(store_.runner(), store_.user(), store_.lock_wait(), store_.stale_lock());
    std::vector<RcsReport> reports = batch.Run(program_, jobs_);
    std::vector<FileReport> out;
    out.reserve(reports.size());
    for (std::size_t j = 0; j < reports.size(); ++j) {
      const RcsReport& report = reports[j];
      FileReport file_report;
      file_report.done = report.done;
      file_report.revision = report.revision;
      file_report.unchanged = report.unchanged;
      file_report.created = report.initial;
      file_report.kept = keep_[j];
      file_report.note = report.cleared;
      if (!report.done) ReadBack(files_[j], report, file_report);
      // Every run but a lock leaves the work file holding the revision RCS named.
      if (file_report.done && writes_[j] && !file_report.revision.empty())
        store_.bases().Note(files_[j].work, files_[j].record, file_report.revision);
      out.push_back(std::move(file_report));
    }
    store_.bases().Save();
    return out;
  }

 private:
  // An RCS run on `file`; one that writes the work file (`with_work`) of a file that is not text
  // first makes its archive binary. `header` is the archive's when it was read already.
  RcsJob Job(std::vector<std::string> options, const WorkFile& file, bool with_work,
             std::optional<Archive> header) const {
    RcsJob job{std::move(options), file.record, with_work ? file.work : "", RcsLockFile(file.record), {}};
    if (!with_work) return job;
    // Keyword expansion would rewrite a binary file's bytes as RCS writes the work file.
    if (file.under_control) {
      if (!header) header = store_.ReadHeader(file.record, HeaderPart::kAdmin);
      if (header && header->expand == "b") return job;
      if (IsBinary(file)) job.prepare = {"-kb"};
    } else if (IsBinary(file)) {
      // ci -i would refuse the archive rcs -i makes; its description goes with rcs -i instead.
      job.prepare = {"-i", "-kb"};
      for (auto it = job.options.begin(); it != job.options.end();) {
        if (*it == "-i") {
          it = job.options.erase(it);
          continue;
        }
        if (it->starts_with("-t")) job.prepare.push_back(*it);
        ++it;
      }
    }
    return job;
  }

  // What became of a file whose RCS run did not end as asked, read from the archive: another
  // RCS run holding it, or a revision ci stored before it gave up, whose work file is then given
  // the mode of its lock state. Neither leaves RCS's complaint.
  void ReadBack(const WorkFile& file, const RcsReport& report, FileReport& out) const {
    out.error = report.error;
    std::optional<Archive> archive = store_.ReadHeader(file.record, HeaderPart::kDeltas);
    const std::string& user = store_.user();
    // Another RCS run may have given the file to someone else meanwhile.
    if (archive && !archive->locks.empty() && archive->LockOf(user) == nullptr) {
      out.holder = archive->locks.front().user;
      return;
    }
    if (StatusOf(RcsLockFile(file.record)).exists || report.error.find(" is in use") != std::string::npos) {
      out.left_alone = std::string(kBusy);
      return;
    }
    // ci names the revision it stored before it writes the work file again.
    if (program_ != "ci" || !archive || report.revision.empty() ||
        archive->FindDelta(report.revision) == nullptr)
      return;
    const ArchiveLock* own = archive->LockOf(user);
    out.kept = own != nullptr && own->revision == report.revision;
    if (!out.kept) posix::SetReadOnly(file.work, true, posix::WriteBits::kEveryone);
    out.done = true;
    out.unfinished = Unfinished(report.error);
  }

  const RcsStore& store_;
  std::string program_;
  std::vector<RcsJob> jobs_;
  std::vector<WorkFile> files_;
  std::vector<bool> keep_;
  std::vector<bool> writes_;  // RCS writes the work file
};

// Whether a check-in under a lock of `delta` makes the next revision of its line, rather than
// starting a branch: the head of the trunk, or the last revision of a branch.
bool EndsItsLine(const Archive& archive, const Delta& delta) {
  return RevisionDepth(delta.revision) == 2 ? delta.revision == archive.head : delta.next.empty();
}

}  // namespace

RcsStore::RcsStore(RcsSetup setup)
    : placement_(std::move(setup.resolver), std::move(setup.home_folder)),
      default_programs_(std::move(setup.programs_folder)),
      runner_(default_programs_),
      lock_wait_(setup.lock_wait),
      local_file_system_(std::move(setup.local_file_system)),
      bases_(std::move(setup.bases_file)) {}

void RcsStore::Configure(const EngineConfig& config) {
  user_ = config.user_id;
  rule_ = {config.archives, config.projects};
  // A value out of bounds is refused with the settings; the default stands meanwhile.
  stale_lock_ = StaleLockOf(config.stale_lock).value_or(kDefaultStaleLock);
  // A new folder may hold another RCS: whether its rcs has the commands is asked again.
  const std::string& programs = config.rcs_programs.empty() ? default_programs_ : config.rcs_programs;
  if (programs != runner_.folder()) runner_ = RcsRunner(programs);
}

std::string RcsStore::UserProblem(const std::string& user_id) const {
  for (char c : user_id) {
    if (c == ' ' || c == '\t')
      return "UserID \"" + user_id + "\" holds a blank, which RCS cannot record as a lock holder";
    if (std::string_view("$,:;@").find(c) != std::string_view::npos) {
      return "UserID \"" + user_id + "\" holds \"" + c + "\", which RCS cannot record as a lock holder";
    }
  }
  return "";
}

std::string RcsStore::VersionProblem(const std::string& version) const {
  if (RevisionFields(version)) return "";
  return "\"" + version + "\" is not a revision number such as 1.3 or 2 (each field at most " +
         std::to_string(kMaxRevisionField) + ")";
}

std::string RcsStore::DefaultPlace() const { return "RCS folder or beside each file"; }

Placement RcsStore::Place(const std::string& folder, const std::string& name, std::string_view received,
                          FolderListings& listings) const {
  return placement_.Place(folder, name, rule_, received, listings);
}

std::optional<Archive> RcsStore::ReadHeader(const std::string& archive_path, HeaderPart part) const {
  std::optional<posix::FilePrefix> prefix =
      posix::ReadFilePrefix(archive_path, part == HeaderPart::kAdmin ? kAdminRead : kHeaderRead);
  if (!prefix) return std::nullopt;
  Archive archive;
  ParseStatus parsed = ParseArchiveHeader(prefix->bytes, archive, part);
  if (parsed == ParseStatus::kTruncated && !prefix->whole) {
    std::optional<std::string> whole = posix::ReadRegularFile(archive_path).bytes;
    if (!whole) return std::nullopt;
    parsed = ParseArchiveHeader(*whole, archive, part);
  }
  if (parsed != ParseStatus::kComplete) return std::nullopt;
  return archive;
}

std::optional<FileRecord> RcsStore::Read(const WorkFile& file, RecordPart part) const {
  const bool locks_only = part == RecordPart::kLocks && file.record_status && MayKeepLocks(file);
  if (locks_only) {
    auto known = known_locks_.find(file.record);
    if (known != known_locks_.end() && Unchanged(known->second.status, *file.record_status))
      return known->second.record;
  }
  const auto read_at = std::chrono::system_clock::now();
  std::optional<Archive> archive =
      ReadHeader(file.record, part == RecordPart::kLocks ? HeaderPart::kAdmin : HeaderPart::kDeltas);
  if (!archive) return std::nullopt;
  FileRecord record;
  for (const auto& lock : archive->locks) record.locks.push_back({lock.user, lock.revision});
  record.latest = archive->head;
  if (const Delta* head = archive->FindDelta(archive->head)) record.latest_date = RcsDateSeconds(head->date);
  if (locks_only) {
    // The status was taken before the read, so a change since shows as a different status next
    // time; one too recent to be told apart by its times is read again instead.
    const std::int64_t settled_ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>((read_at - kSettled).time_since_epoch()).count();
    const FileStatus& status = *file.record_status;
    if (status.modified_ns < settled_ns && status.changed_ns < settled_ns) {
      if (known_locks_.size() >= kMaxKnownLocks) known_locks_.clear();
      known_locks_.insert_or_assign(file.record, KnownLocks{status, record});
    } else {
      known_locks_.erase(file.record);
    }
  }
  return record;
}

bool RcsStore::MayKeepLocks(const WorkFile& file) const {
  // A device number stands for one mounted file system while it is mounted, so the statfs is
  // paid once per file system, not per query.
  const std::uint64_t device = file.record_status->device;
  auto known = local_devices_.find(device);
  if (known == local_devices_.end())
    known = local_devices_.emplace(device, local_file_system_(file.record)).first;
  return known->second;
}

FileHistory RcsStore::History(const WorkFile& file) const {
  FileHistory history;
  posix::WholeFile text = posix::ReadRegularFile(file.record);
  if (!text.bytes) {
    history.problem = WhyUnread(text);
    return history;
  }
  std::optional<Archive> archive = ParseArchive(*text.bytes);
  if (!archive) {
    history.problem = "cannot be read";
    return history;
  }
  // Oldest first; RCS keeps seconds, so revisions of one second go by number.
  std::vector<std::pair<std::int64_t, const Delta*>> dated;
  dated.reserve(archive->deltas.size());
  for (const auto& d : archive->deltas) dated.emplace_back(RcsDateSeconds(d.date).value_or(0), &d);
  std::stable_sort(dated.begin(), dated.end(), [](const auto& a, const auto& b) {
    if (a.first != b.first) return a.first < b.first;
    return CompareRevisions(a.second->revision, b.second->revision) < 0;
  });
  history.revisions.reserve(dated.size());
  for (const auto& [seconds, d] : dated)
    history.revisions.push_back({d->revision, FormatRcsDate(d->date), d->author, d->state, d->log});
  return history;
}

Comparison RcsStore::Compare(const WorkFile& recorded, const WorkFile& work) const {
  Comparison comparison;
  RcsResult result = runner_.Run("rcsdiff", {"-u", "-q", recorded.record, work.work}, user_);
  // rcsdiff ends with 1 both for differences and when it gives up ("rcsdiff aborted").
  const bool aborted = result.err.find(" aborted") != std::string::npos;
  if (result.started && result.exit_code == 0 && !aborted) {
    comparison.result = Comparison::Result::kSame;
    return comparison;
  }
  if (result.started && result.exit_code == 1 && !aborted && !result.out.empty()) {
    // The add-in knows the file by the name it sent, not by its POSIX path.
    std::string diff = std::move(result.out);
    for (const char* marker : {"--- ", "+++ ", "Binary files ", " and "}) {
      const std::string label = marker + work.work + "\t";
      for (auto at = diff.find(label); at != std::string::npos; at = diff.find(label, at + 1)) {
        diff.replace(at, label.size(), marker + work.received + "\t");
      }
    }
    comparison.result = Comparison::Result::kDiffer;
    comparison.diff = std::move(diff);
    return comparison;
  }
  comparison.reason = result.err.substr(0, result.err.find('\n'));
  if (comparison.reason.empty())
    comparison.reason = "rcsdiff ended with status " + std::to_string(result.exit_code);
  return comparison;
}

std::optional<bool> RcsStore::Holds(const WorkFile& file, const std::string& revision) const {
  // rcsdiff expands keywords as co would, so a work file with $Id$ compares equal to its revision.
  RcsResult result = runner_.Run("rcsdiff", {"-q", "-r" + revision, file.record, file.work}, user_);
  if (!result.started || result.exit_code < 0 || result.exit_code > 1) return std::nullopt;
  if (result.exit_code == 1 && (result.out.empty() || result.err.find(" aborted") != std::string::npos)) {
    return std::nullopt;
  }
  return result.exit_code == 0;
}

std::optional<UnseenRevision> RcsStore::Unseen(const WorkFile& file, const Archive& archive,
                                               const std::string& revision, bool check_in) const {
  // With a default branch (rcs -b; the engine sets none) RCS locks the last revision of that
  // branch, not the head; the check-in under that lock is held to the work file's base instead.
  if (revision.empty() && !archive.branch.empty()) return std::nullopt;
  const std::string& newest = revision.empty() ? archive.head : revision;
  const Delta* delta = archive.FindDelta(newest);
  // A partial number (VERSION 2) is left to the check-in, which knows its lock's revision.
  if (delta == nullptr || !EndsItsLine(archive, *delta)) return std::nullopt;
  std::string base = bases_.Of(file.work, file.record);
  // A revision the archive does not hold is from an archive made again since.
  if (!base.empty() && archive.FindDelta(base) == nullptr) base.clear();
  if (!base.empty()) {
    if (base == newest) return std::nullopt;
    return UnseenRevision{newest, base};
  }
  // Not written by this engine (a lock taken by hand, or the notes lost): only the work file can
  // tell. A missing one is written by the next check-out.
  const FileStatus work = StatusOf(file.work);
  if (!work.exists) return std::nullopt;
  if (check_in) {
    // Under the user's own lock the work file was edited, so it holds no revision; one last
    // changed before the revision was stored cannot come from it (clocks agree, as for F).
    std::optional<std::int64_t> stored = RcsDateSeconds(delta->date);
    if (!stored || work.modified >= *stored) return std::nullopt;
  }
  if (Holds(file, newest) != true) return UnseenRevision{newest, ""};
  bases_.Note(file.work, file.record, newest);
  return std::nullopt;
}

// A work file the engine wrote from a revision before the head is out of date, whatever the
// clocks said when it was written and when the head was stored; for any other the time decides.
std::optional<bool> RcsStore::AtLatest(const WorkFile& file) const {
  const std::string base = bases_.Of(file.work, file.record);
  if (base.empty()) return std::nullopt;
  std::optional<Archive> archive = ReadHeader(file.record, HeaderPart::kDeltas);
  // A revision the archive does not hold is from an archive made again since.
  if (!archive || archive->FindDelta(base) == nullptr || base == archive->head) return std::nullopt;
  return false;
}

std::unique_ptr<StoreBatch> RcsStore::Batch() const {
  bases_.Refresh();
  return std::make_unique<RcsStoreBatch>(*this);
}

}  // namespace wnorb16::rcs
