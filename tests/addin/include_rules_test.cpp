// The add-in sees the world only through the seams: its sources include the standard library
// (without file I/O or threads), vbrt, the seams and its own headers, nothing else.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

TEST(IncludeRules, AddinIncludesOnlyTheStandardLibraryVbrtAndTheSeams) {
  const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
  const std::vector<std::string> forbidden_std = {"fstream", "filesystem", "thread"};
  std::vector<std::string> offences;
  int files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(std::string(NORB_SOURCE_DIR) + "/addin")) {
    auto ext = entry.path().extension();
    if (ext != ".cpp" && ext != ".hpp" && ext != ".in") continue;
    ++files;
    std::ifstream in(entry.path());
    std::string line;
    while (std::getline(in, line)) {
      std::smatch m;
      if (!std::regex_search(line, m, include)) continue;
      std::string target = m[2];
      bool ok;
      if (m[1] == "<") {
        // Standard headers have no extension and no folder.
        ok = target.find('.') == std::string::npos && target.find('/') == std::string::npos &&
             std::find(forbidden_std.begin(), forbidden_std.end(), target) == forbidden_std.end();
      } else {
        ok = target.rfind("addin/", 0) == 0 || target.rfind("vbrt/", 0) == 0 || target.rfind("platform/", 0) == 0 ||
             target == "norb/version.hpp";
      }
      if (!ok) offences.push_back(entry.path().filename().string() + ": " + line);
    }
  }
  EXPECT_GT(files, 5);
  EXPECT_TRUE(offences.empty()) << ::testing::PrintToString(offences);
}

}  // namespace
