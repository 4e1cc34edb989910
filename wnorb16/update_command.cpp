// "U[DFKMSB]W files": check-in (U), discard the check-out (D), skip unchanged files (F), keep
// the lock (K), and the new revision's number: the one set with VERSION (S), a new branch (B), a
// minor one (M), otherwise the next trunk number. Where letters contradict, D (store nothing)
// wins over M, S and B, and S over B over M.

#include "wnorb16/disk.hpp"
#include "wnorb16/engine.hpp"
#include "wnorb16/file_plan.hpp"
#include "wnorb16/status_text.hpp"

namespace wnorb16 {

namespace {

std::string DefaultLogMessage(const Command& command) {
  return "Checked in by WNORB16 (" + command.word + ")";
}

// The option that numbers the new revision: S over B over M, none for the next trunk number.
char NumberingOption(const Command& command) {
  for (char option : {'S', 'B', 'M'}) {
    if (command.Has(option)) return option;
  }
  return 0;
}

// The numbering S, B and M ask for, S over B over M.
Numbering NumberingOf(char option) {
  switch (option) {
    case 'S':
      return Numbering::kSet;
    case 'B':
      return Numbering::kBranch;
    case 'M':
      return Numbering::kMinor;
    default:
      return Numbering::kNext;
  }
}

// Which option won where the command holds contradicting ones: "B wins over M", "D stores
// nothing: M ignored"; "" when none contradict.
std::string Contradiction(const Command& command) {
  std::string ignored;
  for (char option : {'S', 'B', 'M'}) {
    if (!command.Has(option) || (!command.Has('D') && option == NumberingOption(command))) continue;
    ignored += ignored.empty() ? "" : " and ";
    ignored += option;
  }
  if (ignored.empty()) return "";
  if (command.Has('D')) return "D stores nothing: " + ignored + " ignored";
  return std::string(1, NumberingOption(command)) + " wins over " + ignored;
}

}  // namespace

std::string Engine::Update(const Command& command) {
  Located located = LocateAll(command.names);
  if (!located.error.empty()) return status::Error(located.error);
  const std::vector<WorkFile>& files = located.files;
  const bool discard = command.Has('D');
  const bool keep = command.Has('K');
  const char numbering = discard ? 0 : NumberingOption(command);
  const std::string note = Contradiction(command);

  std::string version;
  if (numbering == 'S') {
    auto set = TakeSetVersion();
    if (!set) return NoSetVersion();
    version = *set;
  }
  auto comment = comments_.find(config_.user_id);
  const std::string message = comment != comments_.end() ? comment->second : DefaultLogMessage(command);

  FilePlan plan(files, Batch(), "not updated");
  for (std::size_t i = 0; i < files.size(); ++i) {
    const WorkFile& file = files[i];
    if (!plan.Admit(i, version)) continue;
    if (!file.not_regular.empty()) {
      plan.Refuse(i, status::what::NotRegular(file.not_regular));
      continue;
    }
    const FileStatus work = StatusOf(file.work);
    Request check_in{Request::Kind::kCheckIn, "", keep, message, NumberingOf(numbering), version};

    if (!file.under_control) {
      if (discard) {
        plan.Answer(i, status::what::kNoArchive);
      } else if (!work.exists) {
        plan.Refuse(i, status::what::kNoWorkFile);
      } else {
        plan.Queue(i, check_in);
      }
      continue;
    }
    std::optional<FileRecord> record = ReadRecordFor(plan, i, file);
    if (!record) continue;
    const FileLock* own = record->LockOf(config_.user_id);
    if (own == nullptr) {
      if (!record->lost_lock.empty()) {
        plan.Refuse(i, status::what::LostLockLine(record->lost_lock));
      } else if (!record->locks.empty()) {
        plan.Refuse(i, status::what::LockedBy(record->locks.front().holder));
      } else {
        plan.Refuse(i, discard ? status::what::kNothingToDiscard : status::what::kNotYours);
      }
      continue;
    }
    if (!work.exists && !discard) {
      plan.Refuse(i, status::what::kNoWorkFile);
      continue;
    }
    // The work file is the one we gave out with this lock: discarding it is the request.
    Request restore;
    restore.kind = Request::Kind::kDiscard;
    restore.revision = own->revision;
    restore.keep_lock = keep;
    check_in.revision = own->revision;
    // F leaves files as they were checked out alone, whatever else the command does.
    if (command.Has('F') && work.exists && store_->Holds(file, own->revision) == true) {
      plan.Skip(i, status::what::Unchanged(own->revision), discard ? restore : check_in);
      continue;
    }
    plan.Queue(i, discard ? restore : check_in);
  }

  std::string answer = plan.Finish("updated", [&](const FileReport& report) {
    if (discard) return status::what::WithNote(status::what::Discarded(report.revision, keep), note);
    if (report.created) return status::what::Created(report.revision, keep);
    if (report.unchanged) return status::what::Reverted(report.revision, keep);
    return status::what::WithNote(status::what::CheckedIn(report.revision, keep), note);
  });
  // The comment was for this check-in; the next one says its own or the default.
  const bool checking_in = !discard && plan.Took();
  if (checking_in && comment != comments_.end()) comments_.erase(comment);
  return answer;
}

}  // namespace wnorb16
