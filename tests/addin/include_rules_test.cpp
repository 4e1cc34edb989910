// The layers hold by test: each folder includes only the project folders below it, the add-in
// sees the world only through the seams, and OS headers appear only where OS calls may live (in
// posix/ and dde/, and in files named *_posix.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

struct Layer {
  std::string folder;
  std::vector<std::string> may_include;  // project folders, besides its own
  bool os_headers;                       // anywhere in it, not only in *_posix.cpp
};

TEST(IncludeRules, EachFolderIncludesOnlyWhatItsLayerMayUse) {
  const std::vector<Layer> layers = {
      {"platform", {}, false},
      {"vbrt", {"platform"}, false},
      {"addin", {"vbrt", "platform", "norb"}, false},
      {"posix", {"vbrt", "platform"}, true},
      {"dde", {"vbrt", "platform", "posix"}, true},
      {"host", {"addin", "dde", "posix", "vbrt", "platform", "norb"}, false},
      {"wnorb16", {"dde", "posix", "vbrt"}, false},
      {"exe", {"addin", "dde", "posix", "vbrt", "platform", "norb"}, false},
  };
  const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
  const std::regex os_header(R"(sys/.*|(unistd|fcntl|poll|pwd|signal|spawn|dirent|pty|termios)\.h)");
  std::vector<std::string> offences;
  for (const Layer& layer : layers) {
    int files = 0;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(std::string(NORB_SOURCE_DIR) + "/" + layer.folder)) {
      const auto ext = entry.path().extension();
      if (ext != ".cpp" && ext != ".hpp" && ext != ".in") continue;
      ++files;
      const std::string name = entry.path().filename().string();
      const bool os_allowed = layer.os_headers || name.ends_with("_posix.cpp");
      std::ifstream in(entry.path());
      std::string line;
      while (std::getline(in, line)) {
        std::smatch m;
        if (!std::regex_search(line, m, include)) continue;
        const std::string target = m[2];
        bool ok = true;
        if (m[1] == "<") {
          if (std::regex_match(target, os_header)) ok = os_allowed;
          // The add-in: the standard library alone, without file I/O or threads.
          if (layer.folder == "addin") {
            ok = target.find('.') == std::string::npos && target.find('/') == std::string::npos &&
                 target != "fstream" && target != "filesystem" && target != "thread";
          }
        } else {
          const std::string folder = target.substr(0, target.find('/'));
          ok = folder == layer.folder || std::find(layer.may_include.begin(), layer.may_include.end(),
                                                   folder) != layer.may_include.end();
        }
        if (!ok) offences.push_back(layer.folder + "/" + name + ": " + line);
      }
    }
    EXPECT_GT(files, 2) << layer.folder;
  }
  EXPECT_TRUE(offences.empty()) << ::testing::PrintToString(offences);
}

}  // namespace
