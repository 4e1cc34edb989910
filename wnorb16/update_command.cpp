// "U[DFKMSB]W files": check-in (U), discard the check-out (D), skip unchanged files (F), keep
// the lock (K), and the new revision's number: a minor one (M), a chosen one (S), a new branch
// (B), otherwise the next trunk number.
#include <algorithm>
#include <cstdlib>

#include "posix/whole_file.hpp"
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

// The first field of a revision, plus one: a new trunk number.
std::string NextRelease(const std::string& revision) {
  return std::to_string(std::atol(revision.c_str()) + 1);
}

// A branch from `revision` that does not exist yet: "1.3.2" when 1.3.1 is taken.
std::string NewBranch(const Archive& archive, const std::string& revision) {
  long highest = 0;
  if (const Delta* delta = archive.FindDelta(revision)) {
    for (const auto& first : delta->branches) {
      if (!first.starts_with(revision + ".")) continue;
      highest = std::max(highest, std::atol(first.c_str() + revision.size() + 1));
    }
  }
  return revision + "." + std::to_string(highest + 1);
}

// ci's -r for a check-in of the locked `revision`, or "" for RCS's own next number.
std::string Numbering(const Command& command, const Archive& archive, const std::string& revision,
                      const std::string& asked) {
  if (command.Has('S') && !asked.empty()) return asked;
  if (command.Has('M')) return "";
  if (command.Has('B')) return NewBranch(archive, revision);
  // A new trunk number only from the trunk's head; elsewhere RCS numbers on its branch.
  if (RevisionDepth(revision) == 2 && revision == archive.head) return NextRelease(revision);
  return "";
}

}  // namespace

std::string Engine::Update(const Command& command) {
  Located located = LocateAll(command.names);
  if (!located.error.empty()) return status::Error(located.error);
  const std::vector<WorkFile>& files = located.files;
  const bool discard = command.Has('D');
  const bool keep = command.Has('K');

  std::vector<std::optional<std::string>> revisions(files.size(), std::string());
  if (command.Has('S')) {
    if (setup_.interaction == nullptr) {
      return status::Error(
          "option S asks for a revision number, which needs the engine started at a terminal");
    }
    revisions = AskRevisions(files, false);
  }
  std::string message = DefaultLogMessage(command);
  if (!discard && setup_.interaction != nullptr) {
    std::string words = setup_.interaction->AskLogMessage(command.word, message);
    if (!words.empty()) message = words;
  }

  FilePlan plan(files);
  for (std::size_t i = 0; i < files.size(); ++i) {
    const WorkFile& file = files[i];
    if (!plan.Admit(i, revisions[i])) continue;
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
        if (!revisions[i]->empty()) ci_options.push_back("-r" + *revisions[i]);
        plan.Queue(i, Job(std::move(ci_options), file, true));
      }
      continue;
    }
    std::optional<Archive> archive = ReadHeader(file);
    if (!archive) {
      plan.Answer(i, status::what::Failed("the archive cannot be read"));
      continue;
    }
    const ArchiveLock* own = archive->LockOf(config_.user_id);
    if (own == nullptr) {
      if (!archive->locks.empty()) {
        plan.Answer(i, status::what::LockedBy(archive->locks.front().user));
      } else {
        plan.Answer(i, discard ? status::what::kNothingToDiscard : status::what::kNotYours);
      }
      continue;
    }
    if (discard) {
      // The writable work file is the one we gave out with this lock: discarding it is the request.
      plan.Queue(i, Job({"-f", "-u" + own->revision}, file, true));
      continue;
    }
    if (!work.exists) {
      plan.Answer(i, status::what::kNoWorkFile);
      continue;
    }
    if (command.Has('F')) {
      RcsResult stored =
          runner_.Run("co", {"-q", "-p" + own->revision, file.archive, file.work}, config_.user_id);
      std::optional<std::string> current = posix::ReadWholeFile(file.work);
      if (stored.started && stored.exit_code == 0 && current && *current == stored.out) {
        plan.Answer(i, status::what::Unchanged(own->revision));
        continue;
      }
    }
    std::string number = Numbering(command, *archive, own->revision, *revisions[i]);
    if (!number.empty()) ci_options.push_back("-r" + number);
    plan.Queue(i, Job(std::move(ci_options), file, true));
  }

  return plan.Finish(Batch(), discard ? "co" : "ci", "updated", [&](const RcsReport& report) {
    if (discard) return status::what::Discarded(report.revision);
    if (report.initial) return status::what::Created(report.revision, keep);
    if (report.unchanged) return status::what::Reverted(report.revision, keep);
    return status::what::CheckedIn(report.revision, keep);
  });
}

}  // namespace wnorb16
