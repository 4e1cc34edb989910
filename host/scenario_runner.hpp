// Runs a scenario: one command per line against the IDE stand-in and the add-in it hosts,
// writing the transcript. The command vocabulary is the table in scenario_runner.cpp.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "host/ide_model.hpp"
#include "host/transcript.hpp"

namespace vbhost {

struct RunnerOptions {
  // Where NORBVB5.EXE (and so the engine) stands by default: vbhost's own folder.
  std::string install_dir;
  // The D-Bus the real engine is met on; empty: the user's session bus.
  std::string bus_address;
  // A private bus ends with the run: so do the programs the run started on it.
  bool stop_launched_at_exit = false;
};

class ScenarioRunner {
 public:
  ScenarioRunner(std::ostream& transcript, RunnerOptions options);
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
