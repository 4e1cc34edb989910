// "E[BFRS]W files": check-out with a lock (E), read-only copy (B), only out-of-date work files
// (F), lock without touching the work file (R), the revision set beforehand with VERSION (S).
// B and R contradict each other: B wins, no lock is taken.

#include "wnorb16/disk.hpp"
#include "wnorb16/engine.hpp"
#include "wnorb16/file_plan.hpp"
#include "wnorb16/status_text.hpp"

namespace wnorb16 {

namespace {

constexpr std::string_view kBrowseOverReserve = "B wins over R: no lock taken";

// The work file is older than the latest revision: by revision where the store knows it
// (`at_latest`), by the clock otherwise.
bool OutOfDate(const FileStatus& work, const FileRecord& record, std::optional<bool> at_latest) {
  if (!work.exists) return true;
  if (at_latest) return !*at_latest;
  const std::optional<std::int64_t>& stored = record.latest_date;
  return !stored || work.modified < *stored;
}

Request RequestOf(Request::Kind kind, const std::string& revision, const std::string& comment) {
  Request request;
  request.kind = kind;
  request.revision = revision;
  request.message = comment;
  return request;
}

}  // namespace

std::string Engine::Extract(const Command& command) {
  Located located = LocateAll(command.names);
  if (!located.error.empty()) return status::Error(located.error);
  const std::vector<WorkFile>& files = located.files;
  const bool read_only = command.Has('B');
  const bool lock_only = command.Has('R') && !read_only;
  const std::string_view note = command.Has('R') && read_only ? kBrowseOverReserve : "";

  std::string revision;
  if (command.Has('S')) {
    auto set = TakeSetVersion();
    if (!set) return NoSetVersion();
    revision = *set;
  }

  FilePlan plan(files, Batch(), "not extracted");
  const Request request = RequestOf(lock_only   ? Request::Kind::kLock
                                    : read_only ? Request::Kind::kCopy
                                                : Request::Kind::kCheckOut,
                                    revision, LockComment(command));
  for (std::size_t i = 0; i < files.size(); ++i) {
    const WorkFile& file = files[i];
    if (!plan.Admit(i, revision)) continue;
    if (!file.not_regular.empty()) {
      plan.Refuse(i, status::what::NotRegular(file.not_regular));
      continue;
    }
    if (!file.under_control) {
      plan.Answer(i, status::what::kNoArchive);
      continue;
    }
    std::optional<FileRecord> record = ReadRecordFor(plan, i, file);
    if (!record) continue;
    const FileLock* own = record->LockOf(config_.user_id);
    const FileLock* other = own == nullptr && !record->locks.empty() ? &record->locks.front() : nullptr;
    const FileStatus work = StatusOf(file.work);
    const bool writable = work.exists && !work.read_only;
    // A lock broken or taken over under the work file: Reserve Lock alone takes it again, over the
    // work file as it is, and the store says when it cannot yet.
    if (own == nullptr && !record->lost_lock.empty() && !(lock_only && other == nullptr)) {
      plan.Refuse(i, status::what::LostLockLine(record->lost_lock));
      continue;
    }

    // A lock the user holds already serves the component as one taken now would.
    if (lock_only) {
      if (own != nullptr) {
        plan.Answer(i, status::what::AlreadyYours(own->revision));
      } else if (other != nullptr) {
        plan.Refuse(i, status::what::LockedBy(other->holder));
      } else if (command.Has('F') && !OutOfDate(work, *record, store_->AtLatest(file))) {
        plan.Skip(i, status::what::kUpToDate, request);
      } else {
        plan.Queue(i, request);
      }
      continue;
    }
    // A work file kept under the user's lock holds back its companion's copy (B), which would be
    // of another revision, but not its lock: the user holds the kept file's already.
    auto kept = [&](std::string_view what) {
      if (read_only) {
        plan.Refuse(i, what);
      } else {
        plan.Answer(i, what);
      }
    };
    // Only a writable work file given out with our lock may be replaced, and extract never does.
    if (writable) {
      if (own == nullptr) {
        plan.Refuse(i, status::what::kNotGivenOut);
      } else {
        kept(read_only ? std::string(status::what::kYoursWritable)
                       : status::what::AlreadyYours(own->revision));
      }
      continue;
    }
    // Edits under our lock stay, even when the write bit went since.
    if (own != nullptr && work.exists && store_->Holds(file, own->revision) != true) {
      kept(status::what::ChangedKept(own->revision));
      continue;
    }
    if (!read_only && other != nullptr) {
      plan.Refuse(i, status::what::LockedBy(other->holder));
      continue;
    }
    if (command.Has('F') && !OutOfDate(work, *record, store_->AtLatest(file))) {
      plan.Skip(i, status::what::kUpToDate, request);
      continue;
    }
    plan.Queue(i, request);
  }

  return plan.Finish("extracted", [&](const FileReport& report) {
    return status::what::WithNote(lock_only ? status::what::Reserved(report.revision)
                                            : status::what::Extracted(report.revision, !read_only),
                                  note);
  });
}

}  // namespace wnorb16
