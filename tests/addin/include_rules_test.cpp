// The layers hold by test: each folder includes only the project folders below it, the add-in
// sees the world only through the seams, and OS headers appear only where OS calls may live (in
// posix/, win32/ and dde/, and in files named *_posix.cpp or *_win32.cpp).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

TEST(IncludeRules, EachFolderIncludesOnlyWhatItsLayerMayUse) {
  // A folder, the project folders it may include besides its own, and whether OS headers may
  // appear anywhere in it rather than only in *_posix.cpp and *_win32.cpp.
  const std::vector<std::tuple<std::string, std::string, bool>> layers = {
      {"platform", "", false},
      {"vbrt", " platform ", false},
      {"addin", " vbrt platform norb ", false},
      {"posix", " vbrt platform ", true},
      // The Windows build implements some of posix/'s headers (paths, folders, whole files) in
      // win32/, so that the engine's sources are the same on both systems.
      {"win32", " vbrt platform posix ", true},
      {"dde", " vbrt platform posix ", true},
      // The host and NORBVB5.EXE choose the Win32 seams on Windows, in their *_win32.cpp files.
      {"host", " addin dde posix win32 vbrt platform norb ", false},
      {"wnorb16", " dde posix vbrt ", false},
      {"wnorb16/rcs", " wnorb16 dde posix vbrt ", false},
      {"wnorb16/svn", " wnorb16 dde posix vbrt ", false},
      {"exe", " addin dde posix win32 vbrt platform norb ", false},
      // The desktop meets files, the engine and the links only through the IDE session.
      {"gui", " host addin vbrt platform ", false},
  };
  // A row for a sub-folder makes it a layer of its own: its files are held to its row, and only
  // the place that chooses the engine's store reaches into a store's folder from outside it.
  auto deepest = [&](const std::string& path, std::string folder) {
    for (const auto& row : layers) {
      const std::string& sub = std::get<0>(row);
      if (path.starts_with(sub + "/") && sub.size() > folder.size()) folder = sub;
    }
    return folder;
  };
  const std::string chooser = "wnorb16/store_choice.cpp";
  const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
  const std::regex os_header(
      R"(sys/.*|(unistd|fcntl|poll|pwd|signal|spawn|dirent|pty|termios|windows|ddeml|shellapi)\.h)");
  std::vector<std::string> offences;
  for (const auto& [folder, may_include, os_headers] : layers) {
    int files = 0;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(std::string(NORB_SOURCE_DIR) + "/" + folder)) {
      const auto ext = entry.path().extension();
      if (ext != ".cpp" && ext != ".hpp" && ext != ".in") continue;
      const std::string path =
          entry.path().lexically_relative(std::filesystem::path(NORB_SOURCE_DIR)).generic_string();
      if (deepest(path, folder) != folder) continue;
      ++files;
      const std::string name = entry.path().filename().string();
      std::ifstream in(entry.path());
      std::smatch m;
      for (std::string line; std::getline(in, line);) {
        if (!std::regex_search(line, m, include)) continue;
        const std::string target = m[2], from = deepest(target, target.substr(0, target.find('/')));
        bool ok = from == folder || (path == chooser && from.starts_with("wnorb16/")) ||
                  may_include.find(" " + from + " ") != std::string::npos;
        if (m[1] == "<") {
          // The add-in: the standard library alone, without file I/O or threads.
          ok = folder == "addin" ? target.find_first_of("./") == std::string::npos && target != "fstream" &&
                                       target != "filesystem" && target != "thread"
                                 : !std::regex_match(target, os_header) || os_headers ||
                                       name.ends_with("_posix.cpp") || name.ends_with("_win32.cpp");
        }
        if (!ok) offences.push_back(folder + "/" + name + ": " + line);
      }
    }
    EXPECT_GT(files, 2) << folder;
  }
  EXPECT_TRUE(offences.empty()) << ::testing::PrintToString(offences);
}

}  // namespace
