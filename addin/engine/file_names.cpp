// The engine forms of file and directory names, and the add-in's one message helper.
#include <string>

#include "addin/main_module.hpp"
#include "vbrt/strings.hpp"

namespace norb {

using namespace vb;

namespace {
// The system writes the short name and a NUL; the buffer's blanks are what Trim removes.
constexpr Long kShortBuffer = 81;
// Longer directories are given their short form.
constexpr Long kLongestDirectory = 67;

// Names the engine cannot take as they are: blanks, and "," which separates its file lists.
bool NeedsShortForm(const std::string& s) { return InStr(s, " ") > 0 || InStr(s, ",") > 0; }
}  // namespace

void MainModule::ShortDirName(std::string& path) {
  std::string buffer = Space(kShortBuffer);
  sys().win32.GetShortPathNameA(path, buffer, kShortBuffer);
  std::string s = Trim(buffer);
  while (Right(s, 1) != "\\") s = Left(s, Len(s) - 1);
  path = s;
}

void MainModule::ShortFileName(std::string& path) {
  std::string name = path;
  while (InStr(name, "\\") > 0) name = Mid(name, 2);
  name = Trim(name);

  if (NeedsShortForm(name)) {
    std::string buffer = Space(kShortBuffer);
    sys().win32.GetShortPathNameA(path, buffer, kShortBuffer);
    std::string s = Trim(buffer);
    while (InStr(s, "\\") > 0) s = Mid(s, 2);
    s = Trim(s);
    s = Left(s, Len(s) - 1);  // the NUL the system wrote
    name = s;
  }

  std::string dir = path;
  while (Right(dir, 1) != "\\") dir = Left(dir, Len(dir) - 1);

  if (NeedsShortForm(dir) || Len(dir) > kLongestDirectory) {
    std::string buffer = Space(kShortBuffer);
    sys().win32.GetShortPathNameA(path, buffer, kShortBuffer);
    std::string s = Trim(buffer);
    while (Right(s, 1) != "\\") s = Left(s, Len(s) - 1);
    dir = s;
  }

  path = dir + name;
}

void MainModule::SystemModalMessage(const std::string& text) {
  sys().desktop.MsgBox(text, platform::vbOKOnly + platform::vbSystemModal, std::nullopt);
}

}  // namespace norb
