// Runs a scenario: one command per line against an IDE session (host/ide_session.hpp) and the
// add-in it hosts, writing the transcript. The commands are the table in scenario_commands.cpp.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "host/ide_session.hpp"
#include "host/transcript.hpp"

namespace vbhost {

using RunnerOptions = SessionOptions;

class ScenarioRunner {
 public:
  ScenarioRunner(std::ostream& transcript, RunnerOptions options);
  // The run told to a person instead of written as JSON lines.
  ScenarioRunner(ReadableAccount& account, RunnerOptions options);
  ~ScenarioRunner();
  ScenarioRunner(const ScenarioRunner&) = delete;
  ScenarioRunner& operator=(const ScenarioRunner&) = delete;

  // Runs the file; raises ScenarioError with "FILE:LINE: message" when the scenario is wrong.
  void RunFile(const std::string& path);
  // Runs one line of UTF-8 words, as a scenario file holds them; relative paths against `folder`.
  void RunLine(const std::vector<std::string>& words, const std::string& folder);

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vbhost
