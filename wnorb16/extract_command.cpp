// "E[BFRS]W files": check-out with a lock (E), read-only copy (B), only out-of-date work files
// (F), lock without touching the work file (R), a chosen revision (S).
#include <set>

#include "wnorb16/disk.hpp"
#include "wnorb16/engine.hpp"
#include "wnorb16/status_text.hpp"

namespace wnorb16 {

namespace {

// The work file is older than the archive's latest revision.
bool OutOfDate(const FileStatus& work, const Archive& archive) {
  if (!work.exists) return true;
  const Delta* head = archive.FindDelta(archive.head);
  auto stored = head != nullptr ? RcsDateSeconds(head->date) : std::nullopt;
  return !stored || work.modified < *stored;
}

}  // namespace

std::string Engine::Extract(const Command& command) {
  Located located = LocateAll(command.names);
  if (!located.unresolved.empty()) return status::Error("cannot resolve " + located.unresolved);
  const std::vector<WorkFile>& files = located.files;
  const bool lock_only = command.Has('R');
  const bool read_only = command.Has('B');

  std::vector<std::optional<std::string>> revisions(files.size(), std::string());
  if (command.Has('S')) {
    if (setup_.interaction == nullptr) {
      return status::Error("option S asks for a revision, which needs the engine started at a terminal");
    }
    revisions = AskRevisions(files, true);
  }

  std::vector<std::string> what(files.size());
  std::vector<RcsJob> jobs;
  std::vector<std::size_t> job_file;
  std::set<std::string> seen;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const WorkFile& file = files[i];
    if (!seen.insert(file.work).second) {
      what[i] = status::what::kNamedBefore;
      continue;
    }
    if (!revisions[i]) {
      what[i] = status::what::kNoRevisionGiven;
      continue;
    }
    if (!file.has_archive) {
      what[i] = status::what::kNoArchive;
      continue;
    }
    std::optional<Archive> archive = ReadHeader(file);
    if (!archive) {
      what[i] = status::what::Failed("the archive cannot be read");
      continue;
    }
    const ArchiveLock* own = archive->LockOf(config_.user_id);
    const ArchiveLock* other = own == nullptr && !archive->locks.empty() ? &archive->locks.front() : nullptr;
    const FileStatus work = StatusOf(file.work);
    const bool writable = work.exists && !work.read_only;
    const std::string& revision = *revisions[i];

    if (lock_only) {
      if (own != nullptr) {
        what[i] = status::what::AlreadyYours(own->revision);
      } else if (other != nullptr) {
        what[i] = status::what::LockedBy(other->user);
      } else if (command.Has('F') && !OutOfDate(work, *archive)) {
        what[i] = status::what::kUpToDate;
      } else {
        jobs.push_back(Job({"-l" + revision}, file, false));
        job_file.push_back(i);
      }
      continue;
    }
    // Only a writable work file given out with our lock may be replaced, and extract never does.
    if (writable) {
      if (own == nullptr) {
        what[i] = status::what::kNotGivenOut;
      } else {
        what[i] =
            read_only ? std::string(status::what::kYoursWritable) : status::what::AlreadyYours(own->revision);
      }
      continue;
    }
    if (!read_only && other != nullptr) {
      what[i] = status::what::LockedBy(other->user);
      continue;
    }
    if (command.Has('F') && !OutOfDate(work, *archive)) {
      what[i] = status::what::kUpToDate;
      continue;
    }
    jobs.push_back(Job({(read_only ? "-r" : "-l") + revision}, file, true));
    job_file.push_back(i);
  }

  std::vector<RcsReport> reports = Batch().Run(lock_only ? "rcs" : "co", jobs);
  int done = 0;
  for (std::size_t j = 0; j < jobs.size(); ++j) {
    const RcsReport& report = reports[j];
    std::string& line = what[job_file[j]];
    if (!report.done) {
      line = status::what::Failed(report.error);
      continue;
    }
    ++done;
    line = lock_only ? status::what::Reserved(report.revision)
                     : status::what::Extracted(report.revision, !read_only);
  }

  std::vector<std::string> lines;
  for (std::size_t i = 0; i < files.size(); ++i)
    lines.push_back(status::FileLine(files[i].received, what[i]));
  return status::Summary(done, static_cast<int>(files.size()), "extracted", lines);
}

}  // namespace wnorb16
