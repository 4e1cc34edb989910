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

bool FilePlan::Queue(std::size_t i, const Request& request) {
  std::string refused = batch_->Add(files_[i], request);
  if (!refused.empty()) {
    Answer(i, refused);
    return false;
  }
  queued_.push_back(i);
  return true;
}

std::string FilePlan::Finish(std::string_view verb,
                             const std::function<std::string(const FileReport&)>& done_line) {
  std::vector<FileReport> reports = batch_->Run();
  int done = 0;
  for (std::size_t j = 0; j < queued_.size(); ++j) {
    const FileReport& report = reports[j];
    std::string& what = what_[queued_[j]];
    if (report.done) {
      ++done;
      what = report.unfinished.empty() ? done_line(report) : status::what::Stored(report) + report.unfinished;
    } else if (!report.holder.empty()) {
      what = status::what::LockedBy(report.holder);
    } else if (!report.left_alone.empty()) {
      what = report.left_alone;
    } else {
      what = status::what::Failed(report.error);
    }
  }
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < files_.size(); ++i)
    lines.push_back(status::FileLine(files_[i].received, what_[i]));
  return status::Summary(done, static_cast<int>(files_.size()), verb, lines);
}

}  // namespace wnorb16
