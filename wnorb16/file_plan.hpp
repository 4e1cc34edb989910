// What one extract or update does with each file it was given: either a line of its own, or a
// request in the store's batch whose report gives the line. Both commands answer a summary and a
// line per file in the order the files were named.
//
// The command decides every file first; the plan then hands the requests to the store, a
// component's files (component_files.hpp) both or neither: when one of them is refused, here or
// by the store, its companion is left as it was and its line says why.
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
  // `not_done` begins the line of a file left for its companion's sake: "not extracted".
  FilePlan(const std::vector<WorkFile>& files, std::unique_ptr<StoreBatch> batch, std::string_view not_done);

  // A file named before in the same command, one whose revision was not given, or one the store
  // refused when it was located, is answered here; false for it.
  bool Admit(std::size_t i, const std::optional<std::string>& revision);
  // The file's line, which leaves its companion free to go alone (no archive, checked out to you
  // already).
  void Answer(std::size_t i, std::string_view what) {
    what_[i] = std::string(what);
    step_[i] = Step::kAnswered;
  }
  // The file is left as it was, and its companion with it.
  void Refuse(std::size_t i, std::string_view what) {
    what_[i] = std::string(what);
    step_[i] = Step::kRefused;
  }
  // The store is to do `request`, taken when the plan finishes.
  void Queue(std::size_t i, const Request& request);
  // Nothing to do for the file alone (`what`: up to date, unchanged), but `request` when its
  // companion goes, so the component's locks stay together.
  void Skip(std::size_t i, std::string_view what, const Request& request);

  // Hands the requests to the store, runs the batch and answers "<n> of <m> files <verb>" and the
  // file lines; `done_line` words the line of a request the store did.
  std::string Finish(std::string_view verb, const std::function<std::string(const FileReport&)>& done_line);
  // Whether the store took any request; known once the plan finished.
  bool Took() const { return !queued_.empty(); }

 private:
  enum class Step { kOpen, kAnswered, kRefused, kQueued, kSkipped, kTaken };

  // A refusal of either file of a component holds the other; a skipped file goes with a companion
  // that goes.
  void Settle();
  // Hands the queued requests to the store, a component's both or neither.
  void Take();
  // The file `i` left because its companion `refused` could not go, as `why` says.
  void LeftFor(std::size_t i, std::size_t refused, std::string_view why);
  std::string NameOf(std::size_t i) const;

  const std::vector<WorkFile>& files_;
  std::vector<std::size_t> companion_;
  std::vector<Step> step_;
  std::vector<std::string> what_;
  std::vector<Request> request_;
  std::unique_ptr<StoreBatch> batch_;
  std::string not_done_;
  std::vector<std::size_t> queued_;  // the file of each request taken
  std::set<std::string> seen_;
};

}  // namespace wnorb16
