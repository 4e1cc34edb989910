// What one extract or update does with each file it was given: either a line of its own, or a
// job in the RCS batch whose report gives the line. Both commands answer a summary and a line
// per file in the order the files were named.
#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "wnorb16/rcs_batch.hpp"
#include "wnorb16/work_files.hpp"

namespace wnorb16 {

class FilePlan {
 public:
  explicit FilePlan(const std::vector<WorkFile>& files) : files_(files), what_(files.size()) {}

  // A file named before in the same command, or one whose revision was not given, is answered
  // here; false for it.
  bool Admit(std::size_t i, const std::optional<std::string>& revision);
  void Answer(std::size_t i, std::string_view what) { what_[i] = std::string(what); }
  void Queue(std::size_t i, RcsJob job);

  // What became of a file whose job RCS did not report done: its line and whether it counts as
  // done; nullopt leaves RCS's complaint.
  struct Outcome {
    std::string what;
    bool done = false;
  };
  using ReadBack = std::function<std::optional<Outcome>(const WorkFile&, const RcsReport&)>;

  // Runs the queued jobs and answers "<n> of <m> files <verb>" and the file lines; `done_line`
  // words the line of a job RCS did, `read_back` that of one it did not.
  std::string Finish(const RcsBatch& batch, const std::string& program, std::string_view verb,
                     const std::function<std::string(const RcsReport&)>& done_line,
                     const ReadBack& read_back = {});

 private:
  const std::vector<WorkFile>& files_;
  std::vector<std::string> what_;
  std::vector<RcsJob> jobs_;
  std::vector<std::size_t> job_file_;
  std::set<std::string> seen_;
};

}  // namespace wnorb16
