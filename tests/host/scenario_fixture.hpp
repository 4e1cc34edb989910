// Runs scenarios against a small project written into a temporary folder; the transcript comes
// back as lines with the folder's Windows path replaced by "$DIR".
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/scenario_lexer.hpp"
#include "host/scenario_runner.hpp"
#include "tests/host/scenario_cases.hpp"
#include "tests/support/temp_folder.hpp"

namespace testing_support {

// The transcript of `scenario` run in `tmp`; a scenario error goes to `error`.
inline std::string RunTranscript(const TempFolder& tmp, const std::string& scenario, std::string& error) {
  tmp.Write("s.scn", kCaseOpening + scenario);
  std::ostringstream out;
  {
    vbhost::ScenarioRunner runner(out, vbhost::RunnerOptions{tmp / "bin", "", false});
    try {
      runner.RunFile(tmp / "s.scn");
    } catch (const vbhost::ScenarioError& e) {
      error = e.what();
    }
  }
  return out.str();
}

inline int Shell(const std::string& command) { return WEXITSTATUS(std::system(command.c_str())); }

#ifdef NORB_VBHOST
// The transcript's lines of the vbhost program run on `scenario` in `tmp`, the add-in installed
// as in every case, on a private bus; `env` (NAME=VALUE ...) is its environment's addition.
inline std::vector<std::string> RunVbhost(const TempFolder& tmp, const std::string& scenario,
                                          const std::string& env = "") {
  tmp.Write("e2e.scn", kCaseOpening + scenario);
  EXPECT_EQ(
      Shell("env -u DBUS_SESSION_BUS_ADDRESS " + env + " '" + NORB_VBHOST + "' run '" + (tmp / "e2e.scn") +
            "' --bus private --transcript '" + (tmp / "t.jsonl") + "' 2>'" + (tmp / "err.txt") + "'"),
      0)
      << Contents(tmp / "err.txt");
  return TranscriptLines(Contents(tmp / "t.jsonl"), tmp.Windows());
}
#endif

class ScenarioFixture : public ::testing::Test {
 protected:
  ScenarioFixture() { WriteProject(tmp); }
  TempFolder tmp;
};

}  // namespace testing_support
