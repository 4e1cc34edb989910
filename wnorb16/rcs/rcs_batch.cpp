#include "wnorb16/rcs/rcs_batch.hpp"

#include <algorithm>
#include <map>

#include "wnorb16/disk.hpp"
#include "wnorb16/run_lock.hpp"

namespace wnorb16::rcs {

namespace {

constexpr auto kLockPoll = std::chrono::milliseconds(20);

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// The line with which RCS begins its report on one file.
std::string Heading(const std::string& program, const RcsJob& job) {
  if (program == "co") return job.archive + "  -->  " + job.work;
  if (program == "ci") return job.archive + "  <--  " + job.work;
  return "RCS file: " + job.archive;
}

// The word after `marker` in `line`, up to a blank or ";".
std::string WordAfter(const std::string& line, const std::string& marker) {
  auto at = line.find(marker);
  if (at == std::string::npos) return "";
  auto start = at + marker.size();
  auto end = line.find_first_of(" ;", start);
  return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

RcsReport ReadReport(const std::string& program, const std::string& archive,
                     const std::vector<std::string>& lines) {
  RcsReport report;
  const std::vector<std::string> complaints = ComplaintPrefixes(program);
  auto complaint_in = [&](const std::string& line) -> std::size_t {
    for (const auto& prefix : complaints) {
      if (line.starts_with(prefix)) return prefix.size();
    }
    return 0;
  };
  for (const auto& line : lines) {
    if (line == "done") {
      report.done = true;
    } else if (std::size_t prefix = complaint_in(line); prefix > 0) {
      if (report.error.empty()) {
        std::string text = line.substr(prefix);
        if (text.starts_with(archive + ": ")) text = text.substr(archive.size() + 2);
        report.error = text;
      }
    } else if (line.starts_with("new revision: ")) {
      report.revision = WordAfter(line, "new revision: ");
    } else if (line.starts_with("initial revision: ")) {
      report.revision = WordAfter(line, "initial revision: ");
      report.initial = true;
    } else if (line.starts_with("file is unchanged; reverting to previous revision ")) {
      report.revision = WordAfter(line, "previous revision ");
      report.unchanged = true;
    } else if (line.starts_with("revision ")) {
      report.revision = WordAfter(line, "revision ");  // co: "revision 1.3 (locked)"
    } else if (program == "rcs" && (line.ends_with(" locked") || line.ends_with(" unlocked"))) {
      report.revision = line.substr(0, line.find(' '));
    }
  }
  if (!report.done && report.error.empty()) {
    report.error = lines.empty() ? program + " said nothing about this file" : lines.back();
  }
  return report;
}

std::vector<std::string> RcsBatch::WaitForArchives(const std::vector<std::size_t>& group,
                                                   const std::vector<RcsJob>& jobs,
                                                   std::vector<std::string>& cleared) const {
  const auto deadline = std::chrono::steady_clock::now() + lock_wait_;
  std::vector<std::string> taken;
  for (std::size_t k = 0; k < group.size(); ++k) {
    const RcsJob& job = jobs[group[k]];
    if (job.lock_file.empty()) continue;
    const std::string run_lock = RunLockOf(job.lock_file);
    for (;;) {
      if (std::optional<std::string> stale = StaleRunReason(job.lock_file, run_lock, stale_lock_)) {
        RemoveLockFile(job.lock_file);
        RemoveLockFile(run_lock);
        cleared[k] = *stale;
        continue;
      }
      if (!StatusOf(job.lock_file).exists) {
        Taken got = TakeRunLock(run_lock);
        if (got == Taken::kTaken) taken.push_back(run_lock);
        if (got != Taken::kHeld) break;
      }
      // After the wait RCS is run all the same: it says the archive is in use, and so does the answer.
      if (std::chrono::steady_clock::now() >= deadline) break;
      Pause(kLockPoll);
    }
  }
  return taken;
}

std::vector<RcsReport> RcsBatch::Run(const std::string& program, const std::vector<RcsJob>& jobs) const {
  std::vector<RcsReport> reports(jobs.size());
  std::vector<std::size_t> ready;
  std::vector<std::size_t> preparing;
  for (std::size_t i = 0; i < jobs.size(); ++i) (jobs[i].prepare.empty() ? ready : preparing).push_back(i);
  std::vector<std::string> prepared_cleared(jobs.size());
  if (!preparing.empty()) {
    std::vector<RcsReport> prepared(jobs.size());
    RunGroups("rcs", jobs, preparing, true, prepared);
    for (std::size_t i : preparing) {
      prepared_cleared[i] = prepared[i].cleared;
      if (prepared[i].done) {
        ready.push_back(i);
      } else {
        reports[i] = prepared[i];
      }
    }
    std::sort(ready.begin(), ready.end());
  }
  RunGroups(program, jobs, ready, false, reports);
  for (std::size_t i : preparing) {
    if (reports[i].cleared.empty()) reports[i].cleared = prepared_cleared[i];
  }
  return reports;
}

void RcsBatch::RunGroups(const std::string& program, const std::vector<RcsJob>& jobs,
                         const std::vector<std::size_t>& which, bool prepare,
                         std::vector<RcsReport>& reports) const {
  auto options_of = [&](std::size_t i) -> const std::vector<std::string>& {
    return prepare ? jobs[i].prepare : jobs[i].options;
  };
  // Groups in the order their options first appear.
  std::vector<std::vector<std::size_t>> groups;
  std::map<std::vector<std::string>, std::size_t> group_of;
  for (std::size_t i : which) {
    auto [it, added] = group_of.try_emplace(options_of(i), groups.size());
    if (added) groups.emplace_back();
    groups[it->second].push_back(i);
  }

  const std::size_t room = runner_.ArgumentRoom(user_);
  for (const auto& group : groups) {
    // Text arguments (-m) may grow threefold on their way to UTF-8.
    std::size_t fixed = 0;
    for (const auto& option : options_of(group.front())) fixed += 3 * ArgumentBytes(option);
    std::vector<std::size_t> run;
    std::size_t used = fixed;
    for (std::size_t i : group) {
      std::size_t cost = ArgumentBytes(jobs[i].archive);
      if (!prepare && !jobs[i].work.empty()) cost += ArgumentBytes(jobs[i].work);
      if (!run.empty() && used + cost > room) {
        RunOnce(program, jobs, run, prepare, reports);
        run.clear();
        used = fixed;
      }
      run.push_back(i);
      used += cost;
    }
    if (!run.empty()) RunOnce(program, jobs, run, prepare, reports);
  }
}

void RcsBatch::RunOnce(const std::string& program, const std::vector<RcsJob>& jobs,
                       const std::vector<std::size_t>& group, bool prepare,
                       std::vector<RcsReport>& reports) const {
  std::vector<std::string> arguments = prepare ? jobs[group.front()].prepare : jobs[group.front()].options;
  for (std::size_t i : group) {
    arguments.push_back(jobs[i].archive);
    if (!prepare && !jobs[i].work.empty()) arguments.push_back(jobs[i].work);
  }
  std::vector<std::string> cleared(group.size());
  const std::vector<std::string> run_locks = WaitForArchives(group, jobs, cleared);
  RcsResult result = runner_.Run(program, arguments, user_);
  for (const std::string& run_lock : run_locks) RemoveLockFile(run_lock);
  RunOnceReports(program, jobs, group, result, reports);
  for (std::size_t k = 0; k < group.size(); ++k) reports[group[k]].cleared = cleared[k];
}

void RcsBatch::RunOnceReports(const std::string& program, const std::vector<RcsJob>& jobs,
                              const std::vector<std::size_t>& group, const RcsResult& result,
                              std::vector<RcsReport>& reports) const {
  if (!result.started) {
    for (std::size_t i : group)
      reports[i].error = result.err.empty() ? program + " could not be started" : result.err;
    return;
  }

  // Each file's lines run from its heading to the next file's heading.
  std::vector<std::string> lines = SplitLines(result.err);
  std::size_t at = 0;
  std::vector<std::size_t> starts;
  for (std::size_t i : group) {
    const std::string heading = Heading(program, jobs[i]);
    std::size_t found = at;
    while (found < lines.size() && lines[found] != heading) ++found;
    starts.push_back(found);
    if (found < lines.size()) at = found + 1;
  }
  for (std::size_t k = 0; k < group.size(); ++k) {
    std::vector<std::string> own;
    if (starts[k] < lines.size()) {
      std::size_t end = lines.size();
      for (std::size_t n = k + 1; n < group.size(); ++n) {
        if (starts[n] < lines.size()) {
          end = starts[n];
          break;
        }
      }
      own.assign(lines.begin() + static_cast<std::ptrdiff_t>(starts[k]) + 1,
                 lines.begin() + static_cast<std::ptrdiff_t>(end));
    } else if (group.size() == 1) {
      own = lines;  // no heading at all: everything RCS said is about the one file
    }
    reports[group[k]] = ReadReport(program, jobs[group[k]].archive, own);
  }
}

}  // namespace wnorb16::rcs
