// Runs scenarios against a small project written into a temporary folder; the transcript comes
// back as lines with the folder's Windows path replaced by "$DIR".
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/scenario_lexer.hpp"
#include "host/scenario_runner.hpp"
#include "tests/host/scenario_cases.hpp"
#include "tests/support/temp_folder.hpp"

namespace testing_support {

// A transcript's lines, with the folder's Windows path as "$DIR".
inline std::vector<std::string> TranscriptLines(const TempFolder& tmp, const std::string& transcript) {
  return TranscriptLines(transcript, tmp.Windows());
}

// The transcript of `scenario` run in `tmp`; a scenario error goes to `error`, without one it
// fails the test.
inline std::string RunTranscript(const TempFolder& tmp, const std::string& scenario,
                                 std::string* error = nullptr) {
  tmp.Write("s.scn", kCaseOpening + scenario);
  std::ostringstream out;
  {
    vbhost::ScenarioRunner runner(out, vbhost::RunnerOptions{tmp / "bin", "", false});
    try {
      runner.RunFile(tmp / "s.scn");
    } catch (const vbhost::ScenarioError& e) {
      if (error == nullptr) ADD_FAILURE() << e.what();
      if (error != nullptr) *error = e.what();
    }
  }
  return out.str();
}

// The same, as lines with the folder's Windows path as "$DIR".
inline std::vector<std::string> RunIn(const TempFolder& tmp, const std::string& scenario,
                                      std::string* error = nullptr) {
  return TranscriptLines(tmp, RunTranscript(tmp, scenario, error));
}

class ScenarioFixture : public ::testing::Test {
 protected:
  ScenarioFixture() { WriteProject(tmp); }
  std::vector<std::string> Run(const std::string& scenario, std::string* error = nullptr) {
    return RunIn(tmp, scenario, error);
  }
  TempFolder tmp;
};

}  // namespace testing_support
