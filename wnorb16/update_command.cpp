// "U[DFKMSB]W files": check-in (U), discard the check-out (D), skip unchanged files (F), keep
// the lock (K), and the new revision's number: the one set with VERSION (S), a new branch (B), a
// minor one (M), otherwise the next trunk number. Where letters contradict, D (store nothing)
// wins over M, S and B, and S over B over M.
#include <algorithm>

#include "wnorb16/disk.hpp"
#include "wnorb16/engine.hpp"
#include "wnorb16/file_plan.hpp"
#include "wnorb16/status_text.hpp"

namespace wnorb16 {

namespace {

constexpr char kDescription[] = "Added by WNORB16";

std::string DefaultLogMessage(const Command& command) {
  return "Checked in by WNORB16 (" + command.word + ")";
}

// A revision worked out from the archive's numbers, or the number that is out of range.
struct Numbered {
  std::string revision;
  std::string out_of_range;
};

// The first field of a revision, plus one: a new trunk number.
Numbered NextRelease(const std::string& revision) {
  auto fields = RevisionFields(revision);
  if (!fields || fields->front() + 1 > kMaxRevisionField) return {"", revision};
  return {std::to_string(fields->front() + 1), ""};
}

// A branch from `revision` that does not exist yet: "1.3.2" when 1.3.1 is taken.
Numbered NewBranch(const Archive& archive, const std::string& revision) {
  if (!RevisionFields(revision)) return {"", revision};
  std::uint64_t highest = 0;
  std::string highest_first;
  if (const Delta* delta = archive.FindDelta(revision)) {
    for (const auto& first : delta->branches) {
      if (!first.starts_with(revision + ".")) continue;
      auto fields = RevisionFields(first);
      if (!fields || fields->size() <= static_cast<std::size_t>(RevisionDepth(revision))) return {"", first};
      if ((*fields)[RevisionDepth(revision)] >= highest) {
        highest = (*fields)[RevisionDepth(revision)];
        highest_first = first;
      }
    }
  }
  if (highest + 1 > kMaxRevisionField) return {"", highest_first};
  return {revision + "." + std::to_string(highest + 1), ""};
}

// The option that numbers the new revision: S over B over M, none for the next trunk number.
char NumberingOption(const Command& command) {
  for (char option : {'S', 'B', 'M'}) {
    if (command.Has(option)) return option;
  }
  return 0;
}

// ci's -r for a check-in of the locked `revision`, or "" for RCS's own next number.
Numbered Numbering(char option, const Archive& archive, const std::string& revision,
                   const std::string& version) {
  if (option == 'S') return {version, ""};
  if (option == 'M') return {};
  if (option == 'B') return NewBranch(archive, revision);
  // A new trunk number only from the trunk's head; elsewhere RCS numbers on its branch.
  if (RevisionDepth(revision) == 2 && revision == archive.head) return NextRelease(revision);
  return {};
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
  bool checking_in = false;

  FilePlan plan(files);
  for (std::size_t i = 0; i < files.size(); ++i) {
    const WorkFile& file = files[i];
    if (!plan.Admit(i, version)) continue;
    if (!file.not_regular.empty()) {
      plan.Answer(i, status::what::NotRegular(file.not_regular));
      continue;
    }
    const FileStatus work = StatusOf(file.work);
    std::vector<std::string> ci_options{keep ? "-l" : "-u", "-m" + message,
                                        std::string("-t-") + kDescription};

    if (!file.has_archive) {
      if (discard) {
        plan.Answer(i, status::what::kNoArchive);
      } else if (!work.exists) {
        plan.Answer(i, status::what::kNoWorkFile);
      } else if (!MakeFolders(file.archive_folder)) {
        plan.Answer(i, status::what::Failed("no archive folder " + file.archive_folder));
      } else {
        ci_options.push_back("-i");
        if (!version.empty()) ci_options.push_back("-r" + version);
        plan.Queue(i, Job(std::move(ci_options), file, true));
        checking_in = true;
      }
      continue;
    }
    std::optional<Archive> archive = ReadHeaderFor(plan, i, file);
    if (!archive) continue;
    const ArchiveLock* own = archive->LockOf(config_.user_id);
    if (own == nullptr) {
      if (!archive->locks.empty()) {
        plan.Answer(i, status::what::LockedBy(archive->locks.front().user));
      } else {
        plan.Answer(i, discard ? status::what::kNothingToDiscard : status::what::kNotYours);
      }
      continue;
    }
    if (!work.exists && !discard) {
      plan.Answer(i, status::what::kNoWorkFile);
      continue;
    }
    // F leaves files as they were checked out alone, whatever else the command does.
    if (command.Has('F') && work.exists && SameAsRevision(file, own->revision) == true) {
      plan.Answer(i, status::what::Unchanged(own->revision));
      continue;
    }
    if (discard) {
      // The work file is the one we gave out with this lock: discarding it is the request.
      plan.Queue(i, Job({"-f", (keep ? "-l" : "-u") + own->revision}, file, true));
      continue;
    }
    Numbered number = Numbering(numbering, *archive, own->revision, version);
    if (!number.out_of_range.empty()) {
      plan.Answer(i, status::what::OutOfRange(number.out_of_range));
      continue;
    }
    if (!number.revision.empty()) ci_options.push_back("-r" + number.revision);
    plan.Queue(i, Job(std::move(ci_options), file, true));
    checking_in = true;
  }
  // The comment was for this check-in; the next one says its own or the default.
  if (checking_in && comment != comments_.end()) comments_.erase(comment);

  return plan.Finish(
      Batch(), discard ? "co" : "ci", "updated",
      [&](const RcsReport& report) {
        if (discard) return status::what::WithNote(status::what::Discarded(report.revision, keep), note);
        if (report.initial) return status::what::Created(report.revision, keep);
        if (report.unchanged) return status::what::Reverted(report.revision, keep);
        return status::what::WithNote(status::what::CheckedIn(report.revision, keep), note);
      },
      [&](const WorkFile& file, const RcsReport& report) { return ReadBack(file, report, !discard); });
}

}  // namespace wnorb16
