// Every scenarios/*.scn runs against the fixture's project in a folder of its own. Its "#= " lines
// must appear in the transcript in that order, as must a line holding each "#~ " line's text;
// no transcript line may hold a "#! " line's text and exactly N lines a "#N " line's; a "#error "
// line is the message of the scenario error the run must stop with. "$DIR" in a command is the
// folder's Windows path, as it is in the transcript.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/host/scenario_fixture.hpp"

namespace {

std::vector<std::string> ScenarioFiles() {
  std::vector<std::string> files;
  for (const auto& e :
       std::filesystem::directory_iterator(std::string(NORB_SOURCE_DIR) + "/tests/host/scenarios"))
    files.push_back(e.path().stem().string());
  std::sort(files.begin(), files.end());
  return files;
}

class ScenarioFile : public testing_support::ScenarioFixture,
                     public ::testing::WithParamInterface<std::string> {};

TEST_P(ScenarioFile, ShowsItsEvents) {
  const std::string text = testing_support::Contents(std::string(NORB_SOURCE_DIR) + "/tests/host/scenarios/" +
                                                     GetParam() + ".scn");
  std::string error, run = text;
  for (std::size_t p; (p = run.find("$DIR")) != std::string::npos;) run.replace(p, 4, tmp.Windows());
  const std::vector<std::string> t = Run(run, &error);
  auto at = t.begin();
  std::string expected_error;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) {
    const std::string text = l.size() > 3 ? l.substr(3) : "";
    if (l.rfind("#= ", 0) == 0 || l.rfind("#~ ", 0) == 0) {
      auto found = std::find_if(at, t.end(), [&](const std::string& line) {
        return l[1] == '=' ? line == text : line.find(text) != std::string::npos;
      });
      EXPECT_TRUE(found != t.end()) << "missing or out of order: " << text;
      at = found == t.end() ? at : found + 1;
    } else if (l.rfind("#! ", 0) == 0) {
      EXPECT_EQ(With(t, text), std::vector<std::string>()) << l;
    } else if (auto n = l.find(' '); n > 1 && n != l.npos && l.find_first_not_of("0123456789", 1) == n) {
      EXPECT_EQ(With(t, l.substr(n + 1)).size(), std::stoul(l.substr(1, n - 1))) << l;
    } else if (l.rfind("#error ", 0) == 0) {
      expected_error = l.substr(7);
    }
  }
  EXPECT_EQ(error.empty() ? "" : error.substr(error.find(": ") + 2), expected_error);
  if (HasFailure()) ADD_FAILURE() << ::testing::PrintToString(t);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ScenarioFile, ::testing::ValuesIn(ScenarioFiles()),
                         [](const auto& info) { return info.param; });

}  // namespace
