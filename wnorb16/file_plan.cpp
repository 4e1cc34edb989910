#include "wnorb16/file_plan.hpp"

#include "wnorb16/status_text.hpp"

namespace wnorb16 {

bool FilePlan::Admit(std::size_t i, const std::optional<std::string>& revision) {
  if (!seen_.insert(files_[i].work).second) {
    Answer(i, status::what::kNamedBefore);
    return false;
  }
  if (!revision) {
    Answer(i, status::what::kNoRevisionGiven);
    return false;
  }
  return true;
}

void FilePlan::Queue(std::size_t i, RcsJob job) {
  jobs_.push_back(std::move(job));
  job_file_.push_back(i);
}

std::string FilePlan::Finish(const RcsBatch& batch, const std::string& program, std::string_view verb,
                             const std::function<std::string(const RcsReport&)>& done_line,
                             const ReadBack& read_back) {
  std::vector<RcsReport> reports = batch.Run(program, jobs_);
  int done = 0;
  for (std::size_t j = 0; j < jobs_.size(); ++j) {
    const RcsReport& report = reports[j];
    if (!report.done) {
      std::optional<Outcome> outcome = read_back ? read_back(files_[job_file_[j]], report) : std::nullopt;
      what_[job_file_[j]] = outcome ? outcome->what : status::what::Failed(report.error);
      if (outcome && outcome->done) ++done;
      continue;
    }
    ++done;
    what_[job_file_[j]] = done_line(report);
  }
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < files_.size(); ++i)
    lines.push_back(status::FileLine(files_[i].received, what_[i]));
  return status::Summary(done, static_cast<int>(files_.size()), verb, lines);
}

}  // namespace wnorb16
