// Many files, few RCS runs: files that need the same options go to one run of the program, as
// a person would type "co -l a b c", and each file's part of RCS's report is picked out of it
// again. A file RCS refuses does not stop the others.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "wnorb16/rcs/rcs_runner.hpp"

namespace wnorb16::rcs {

struct RcsJob {
  std::vector<std::string> options;  // files with equal options share a run
  std::string archive;
  std::string work;       // "" for rcs, which takes the archive alone
  std::string lock_file;  // RCS's own lock file of the archive
  // Options of an rcs run the archive needs first (a binary archive: -kb, or -i -kb for a new one);
  // when it fails, the job is not run and reports its failure.
  std::vector<std::string> prepare;
};

struct RcsReport {
  bool done = false;       // RCS said "done" for this file
  std::string revision;    // the revision RCS named for it
  bool unchanged = false;  // ci found nothing to store
  bool initial = false;    // ci created the archive
  std::string error;       // RCS's complaint, without its program and archive prefix
  std::string cleared;     // why a lock a run that ended left on the archive was cleared first
};

class RcsBatch {
 public:
  RcsBatch(const RcsRunner& runner, std::string user, std::chrono::milliseconds lock_wait,
           std::chrono::seconds stale_lock)
      : runner_(runner), user_(std::move(user)), lock_wait_(lock_wait), stale_lock_(stale_lock) {}

  // One report per job, in job order. Runs in the order each set of options first appears.
  std::vector<RcsReport> Run(const std::string& program, const std::vector<RcsJob>& jobs) const;

 private:
  // Runs `program` on the jobs `which`, those with equal options in one run, each report into
  // `reports`; `prepare` runs rcs with the jobs' preparing options on their archives alone.
  // A group too long for one command line runs in several, each under the system's limit.
  void RunGroups(const std::string& program, const std::vector<RcsJob>& jobs,
                 const std::vector<std::size_t>& which, bool prepare, std::vector<RcsReport>& reports) const;
  // One run of `program` on the jobs `group`, which share their options.
  void RunOnce(const std::string& program, const std::vector<RcsJob>& jobs,
               const std::vector<std::size_t>& group, bool prepare, std::vector<RcsReport>& reports) const;
  // Each file's report out of what the run said.
  void RunOnceReports(const std::string& program, const std::vector<RcsJob>& jobs,
                      const std::vector<std::size_t>& group, const RcsResult& result,
                      std::vector<RcsReport>& reports) const;
  // Waits while RCS's lock file of any archive exists (another RCS run is rewriting it) or another
  // engine's run holds it, clearing what a run that ended left (saying so in `cleared`), then
  // takes the engine's lock of each: answers the locks taken, for the run to drop.
  std::vector<std::string> WaitForArchives(const std::vector<std::size_t>& group,
                                           const std::vector<RcsJob>& jobs,
                                           std::vector<std::string>& cleared) const;

  const RcsRunner& runner_;
  std::string user_;
  std::chrono::milliseconds lock_wait_;
  std::chrono::seconds stale_lock_;
};

// The report of one file, from the lines RCS wrote about it.
RcsReport ReadReport(const std::string& program, const std::string& archive,
                     const std::vector<std::string>& lines);

}  // namespace wnorb16::rcs
