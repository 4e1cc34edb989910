#include "wnorb16/file_plan.hpp"

#include "wnorb16/component_files.hpp"
#include "wnorb16/status_text.hpp"

namespace wnorb16 {

namespace {

std::vector<std::string> WorkPaths(const std::vector<WorkFile>& files) {
  std::vector<std::string> paths;
  paths.reserve(files.size());
  for (const WorkFile& file : files) paths.push_back(file.work);
  return paths;
}

}  // namespace

FilePlan::FilePlan(const std::vector<WorkFile>& files, std::unique_ptr<StoreBatch> batch,
                   std::string_view not_done)
    : files_(files),
      companion_(Companions(WorkPaths(files))),
      step_(files.size(), Step::kOpen),
      what_(files.size()),
      request_(files.size()),
      batch_(std::move(batch)),
      not_done_(not_done) {}

bool FilePlan::Admit(std::size_t i, const std::optional<std::string>& revision) {
  if (!seen_.insert(files_[i].work).second) {
    Answer(i, status::what::kNamedBefore);
    return false;
  }
  if (!revision) {
    Refuse(i, status::what::kNoRevisionGiven);
    return false;
  }
  if (!files_[i].refused.empty()) {
    Refuse(i, status::what::FailedAsShown(files_[i].refused));
    return false;
  }
  return true;
}

void FilePlan::Queue(std::size_t i, const Request& request) {
  request_[i] = request;
  step_[i] = Step::kQueued;
}

void FilePlan::Skip(std::size_t i, std::string_view what, const Request& request) {
  Queue(i, request);
  what_[i] = std::string(what);
  step_[i] = Step::kSkipped;
}

std::string FilePlan::NameOf(std::size_t i) const {
  const std::string& name = files_[i].received;
  return name.substr(name.find_last_of("\\/:") + 1);  // npos + 1 is 0: the whole name
}

void FilePlan::LeftFor(std::size_t i, std::size_t refused, std::string_view why) {
  what_[i] = status::what::CompanionRefused(not_done_, NameOf(refused), why);
  step_[i] = Step::kRefused;
}

void FilePlan::Settle() {
  for (std::size_t i = 0; i < files_.size(); ++i) {
    const std::size_t other = companion_[i];
    if (other == kNoCompanion) continue;
    const bool waits = step_[i] == Step::kQueued || step_[i] == Step::kSkipped;
    if (waits && step_[other] == Step::kRefused) LeftFor(i, other, what_[other]);
  }
  for (std::size_t i = 0; i < files_.size(); ++i) {
    const std::size_t other = companion_[i];
    if (step_[i] == Step::kSkipped && other != kNoCompanion && step_[other] == Step::kQueued)
      step_[i] = Step::kQueued;
  }
}

void FilePlan::Take() {
  for (std::size_t i = 0; i < files_.size(); ++i) {
    if (step_[i] != Step::kQueued) continue;
    const std::size_t other = companion_[i];
    const bool together = other != kNoCompanion && step_[other] == Step::kQueued;
    std::string refused = batch_->Add(files_[i], request_[i]);
    if (!refused.empty()) {
      Refuse(i, refused);
      if (together) LeftFor(other, i, refused);
      continue;
    }
    step_[i] = Step::kTaken;
    queued_.push_back(i);
    if (!together) continue;
    refused = batch_->Add(files_[other], request_[other]);
    if (refused.empty()) {
      step_[other] = Step::kTaken;
      queued_.push_back(other);
      continue;
    }
    // The store refused the second file: the first goes back untouched.
    batch_->Withdraw();
    queued_.pop_back();
    Refuse(other, refused);
    LeftFor(i, other, refused);
  }
}

std::string FilePlan::Finish(std::string_view verb,
                             const std::function<std::string(const FileReport&)>& done_line) {
  Settle();
  Take();
  std::vector<FileReport> reports = batch_->Run();
  int done = 0;
  std::vector<char> did(files_.size(), 0);
  for (std::size_t j = 0; j < queued_.size(); ++j) {
    const FileReport& report = reports[j];
    std::string& what = what_[queued_[j]];
    if (report.done) {
      ++done;
      what = report.unfinished.empty() ? done_line(report) : status::what::Stored(report) + report.unfinished;
      did[queued_[j]] = 1;
    } else if (!report.holder.empty()) {
      what = status::what::LockedBy(report.holder);
    } else if (!report.left_alone.empty()) {
      what = report.left_alone;
    } else {
      what = status::what::Failed(report.error);
    }
    what = status::what::WithNote(what, report.note);
  }
  // The store did one file of a component and not the other: each line says so plainly.
  for (std::size_t i : queued_) {
    const std::size_t other = companion_[i];
    if (other != kNoCompanion && step_[other] == Step::kTaken && did[i] != did[other])
      what_[i] += status::what::CompanionOutcome(NameOf(other), request_[other].kind, did[other] != 0);
  }
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < files_.size(); ++i)
    lines.push_back(status::FileLine(files_[i].received, what_[i]));
  return status::Summary(done, static_cast<int>(files_.size()), verb, lines);
}

}  // namespace wnorb16
