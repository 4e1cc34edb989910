// Every scenarios/*.scn runs against the fixture's project, each case in a folder of its own
// (tests/host/scenario_cases.hpp says how a file is read). Each case's transcript is also kept
// in the build's tests/scenario-transcripts/, where the Windows run compares its own with it.
#include <gtest/gtest.h>

#include "posix/path_resolver.hpp"
#include "tests/host/scenario_fixture.hpp"

namespace {

using namespace testing_support;

const std::string kScenarios = std::string(NORB_SOURCE_DIR) + "/tests/host/scenarios";

class ScenarioFile : public ::testing::TestWithParam<std::string> {};

TEST_P(ScenarioFile, ShowsItsEvents) {
  const std::vector<std::string> cases = CasesOf(FileText(kScenarios + "/" + GetParam() + ".scn"));
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(CaseTitle(cases[i]));
    TempFolder tmp;
    WriteProject(tmp);
    std::string error;
    const std::string transcript = RunTranscript(tmp, Commands(cases[i], tmp.Windows()), error);
    const std::vector<std::string> lines =
        TranscriptLines(transcript, tmp.Windows(), posix::PathResolver().ToShort(tmp.Windows()).value_or(""));
    CheckCase(cases[i], lines, error);
    KeepTranscript(NORB_SCENARIO_TRANSCRIPTS, GetParam(), i, lines, error);
  }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ScenarioFile, ::testing::ValuesIn(ScenarioFiles(kScenarios)),
                         [](const auto& info) { return info.param; });

}  // namespace
