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

bool IsOsHeader(const std::string& name) {
  static const std::vector<std::string> kOs = {"unistd.h", "fcntl.h",  "poll.h", "pwd.h",    "signal.h",
                                               "spawn.h",  "dirent.h", "pty.h",  "termios.h"};
  return name.starts_with("sys/") || std::find(kOs.begin(), kOs.end(), name) != kOs.end();
}

TEST(IncludeRules, EachFolderIncludesOnlyWhatItsLayerMayUse) {
  const std::vector<Layer> layers = {
      {"platform", {}, false},
      {"vbrt", {"platform"}, false},
      {"addin", {"vbrt", "platform", "norb"}, false},
      {"posix", {"vbrt", "platform"}, true},
      {"dde", {"vbrt", "platform", "posix"}, true},
      {"host", {"addin", "dde", "posix", "vbrt", "platform", "norb"}, false},
      {"wnorb16", {"dde", "posix", "vbrt"}, false},
      {"wnorb16/rcs", {"wnorb16", "dde", "posix", "vbrt"}, false},
      {"exe", {"addin", "dde", "posix", "vbrt", "platform", "norb"}, false},
  };
  // A row for a sub-folder makes it a layer of its own: its files are held to its row, and only
  // the place that chooses the engine's store reaches into a store's folder from outside it.
  auto deepest = [&](const std::string& path, std::string folder) {
    for (const Layer& row : layers)
      if (path.starts_with(row.folder + "/") && row.folder.size() > folder.size()) folder = row.folder;
    return folder;
  };
  const std::string chooser = "wnorb16/store_choice.cpp";
  const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
  std::vector<std::string> offences;
  for (const Layer& layer : layers) {
    int files = 0;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(std::string(NORB_SOURCE_DIR) + "/" + layer.folder)) {
      const auto ext = entry.path().extension();
      if (ext != ".cpp" && ext != ".hpp" && ext != ".in") continue;
      const std::string path =
          entry.path().lexically_relative(std::filesystem::path(NORB_SOURCE_DIR)).generic_string();
      if (deepest(path, layer.folder) != layer.folder) continue;
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
          if (IsOsHeader(target)) ok = os_allowed;
          // The add-in: the standard library alone, without file I/O or threads.
          if (layer.folder == "addin") {
            ok = target.find('.') == std::string::npos && target.find('/') == std::string::npos &&
                 target != "fstream" && target != "filesystem" && target != "thread";
          }
        } else {
          const std::string folder = deepest(target, target.substr(0, target.find('/')));
          ok = folder == layer.folder || (path == chooser && folder == "wnorb16/rcs") ||
               std::find(layer.may_include.begin(), layer.may_include.end(), folder) !=
                   layer.may_include.end();
        }
        if (!ok) offences.push_back(layer.folder + "/" + name + ": " + line);
      }
    }
    EXPECT_GT(files, 2) << layer.folder;
  }
  EXPECT_TRUE(offences.empty()) << ::testing::PrintToString(offences);
}

}  // namespace
