// The project's scenario files run by the Windows vbhost's own runner, under Windows (Wine, in the
// build's tests): the add-in over the Win32 seams, its links over DDEML. Each case's transcript
// must meet the case's expectations, as on Linux, and equal the Linux run's transcript (kept by
// host_test in the Linux build), the folder's short form aside ("$SHORT": each system chooses
// its own aliases; docs/windows.md).
#include <gtest/gtest.h>
#include <windows.h>

#include <sstream>

#include "host/scenario_lexer.hpp"
#include "host/scenario_runner.hpp"
#include "tests/host/scenario_cases.hpp"
#include "tests/win32/win_temp_folder.hpp"

namespace {

using namespace testing_support;

// The build's Linux paths are read through Wine's drive Z:, Linux's root.
std::string UnderWine(std::string path) { return path.rfind('/', 0) == 0 ? "Z:" + path : path; }

const std::string kScenarios = UnderWine(NORB_SOURCE_DIR "/tests/host/scenarios");

std::string ShortForm(const std::string& path) {
  std::string buffer(MAX_PATH + 1, '\0');
  DWORD n = ::GetShortPathNameA(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
  return n == 0 || n > MAX_PATH ? path : buffer.substr(0, n);
}

std::string LinuxTranscripts() { return UnderWine(NORB_LINUX_TRANSCRIPTS); }

std::vector<std::string> RunCase(const WinTempFolder& tmp, const std::string& commands, std::string& error) {
  tmp.Write("s.scn", kCaseOpening + commands);
  std::ostringstream out;
  {
    vbhost::ScenarioRunner runner(out, vbhost::RunnerOptions{tmp / "bin", "", false});
    try {
      runner.RunFile(tmp / "s.scn");
    } catch (const vbhost::ScenarioError& e) {
      error = e.what();
    }
  }
  return TranscriptLines(out.str(), tmp.path(), ShortForm(tmp.path()));
}

class ScenarioFile : public ::testing::TestWithParam<std::string> {};

TEST_P(ScenarioFile, ShowsItsEventsAsOnLinux) {
  const bool compare = std::filesystem::is_directory(LinuxTranscripts());
  const std::vector<std::string> cases = CasesOf(FileText(kScenarios + "/" + GetParam() + ".scn"));
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(CaseTitle(cases[i]));
    WinTempFolder tmp;
    WriteProject(tmp);
    std::string error;
    const std::vector<std::string> lines = RunCase(tmp, Commands(cases[i], tmp.path()), error);
    CheckCase(cases[i], lines, error);
    KeepTranscript(NORB_SCENARIO_TRANSCRIPTS, GetParam(), i, lines, error);
    if (!compare) continue;
    std::optional<std::vector<std::string>> linux_lines = KeptTranscript(LinuxTranscripts(), GetParam(), i);
    ASSERT_TRUE(linux_lines) << "the Linux run kept no transcript of this case: run host_test there first";
    std::vector<std::string> windows_lines = lines;
    if (!error.empty()) windows_lines.push_back("#error " + error.substr(error.find(": ") + 2));
    EXPECT_EQ(windows_lines, *linux_lines);
  }
  if (!compare) {
    std::cout << "not compared with the Linux run: " << LinuxTranscripts() << " does not exist\n";
  }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ScenarioFile, ::testing::ValuesIn(ScenarioFiles(kScenarios)),
                         [](const auto& info) { return info.param; });

}  // namespace
