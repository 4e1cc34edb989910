// Every scenarios/*.scn runs against the fixture's project. A file is one case, or, from its first
// "#-- " line on, one case per such line: the lines before the first are every case's opening, and
// each case runs in a folder of its own. A case's "#= " lines must appear in its transcript in that
// order, as must a line holding each "#~ " line's text; no transcript line may hold a "#! " line's
// text and exactly N lines a "#N " line's; a "#error " line is the message of the scenario error
// the run must stop with. "$DIR" in a command is the folder's Windows path, as in the transcript.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/host/scenario_fixture.hpp"

namespace {

using testing_support::With;

std::vector<std::string> ScenarioFiles() {
  std::vector<std::string> files;
  for (const auto& e :
       std::filesystem::directory_iterator(std::string(NORB_SOURCE_DIR) + "/tests/host/scenarios"))
    files.push_back(e.path().stem().string());
  std::sort(files.begin(), files.end());
  return files;
}

void Check(const std::string& text) {
  const bool failed_before = ::testing::Test::HasFailure();
  testing_support::TempFolder tmp;
  testing_support::WriteProject(tmp);
  std::string error, run = text;
  for (std::size_t p; (p = run.find("$DIR")) != std::string::npos;) run.replace(p, 4, tmp.Windows());
  const std::vector<std::string> t = testing_support::RunIn(tmp, run, &error);
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
  if (!failed_before && ::testing::Test::HasFailure()) ADD_FAILURE() << ::testing::PrintToString(t);
}

class ScenarioFile : public ::testing::TestWithParam<std::string> {};

TEST_P(ScenarioFile, ShowsItsEvents) {
  const std::string text = testing_support::Contents(std::string(NORB_SOURCE_DIR) + "/tests/host/scenarios/" +
                                                     GetParam() + ".scn");
  std::size_t first = text.find("\n#-- ");
  if (first == std::string::npos) return Check(text);
  const std::string opening = text.substr(0, first + 1);
  for (std::size_t at = first + 1, next; at < text.size(); at = next) {
    next = std::min(text.find("\n#-- ", at), text.size() - 1) + 1;
    const std::string section = text.substr(at, next - at);
    SCOPED_TRACE(section.substr(0, section.find('\n')));
    Check(opening + section);
  }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ScenarioFile, ::testing::ValuesIn(ScenarioFiles()),
                         [](const auto& info) { return info.param; });

}  // namespace
