// What one extract or update does with each file it was given: either a line of its own, or a
// request in the store's batch whose report gives the line. Both commands answer a summary and a
// line per file in the order the files were named.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "wnorb16/store.hpp"

namespace wnorb16 {

class FilePlan {
 public:
  FilePlan(const std::vector<WorkFile>& files, std::unique_ptr<StoreBatch> batch)
      : files_(files), what_(files.size()), batch_(std::move(batch)) {}

  // A file named before in the same command, or one whose revision was not given, is answered
  // here; false for it.
  bool Admit(std::size_t i, const std::optional<std::string>& revision);
  void Answer(std::size_t i, std::string_view what) { what_[i] = std::string(what); }
  // Hands the request to the store's batch; false when the store refuses it, which answers the file.
  bool Queue(std::size_t i, const Request& request);

  // Runs the batch and answers "<n> of <m> files <verb>" and the file lines; `done_line` words
  // the line of a request the store did.
  std::string Finish(std::string_view verb, const std::function<std::string(const FileReport&)>& done_line);

 private:
  const std::vector<WorkFile>& files_;
  std::vector<std::string> what_;
  std::unique_ptr<StoreBatch> batch_;
  std::vector<std::size_t> queued_;  // the file of each request taken
  std::set<std::string> seen_;
};

}  // namespace wnorb16
