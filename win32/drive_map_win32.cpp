// On Windows the drives are the system's own: every letter is its own root, and the engine's
// paths are the Windows paths themselves, written with "/" (which every Win32 call takes).
#include <windows.h>

#include <cctype>

#include "posix/drive_map.hpp"

namespace posix {

DriveMap::DriveMap() {
  for (char letter = 'A'; letter <= 'Z'; ++letter) drives_[letter] = std::string{letter, ':'};
}

DriveMap DriveMap::Parse(std::string_view) { return DriveMap(); }

DriveMap DriveMap::FromEnvironment() { return DriveMap(); }

// A letter Windows has no drive for (asked each time: drives come and go) is not mapped, so a
// path on it is "Path not found" (76), as Windows answers.
std::optional<std::string> DriveMap::Folder(char letter) const {
  auto it = drives_.find(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
  if (it == drives_.end() || (GetLogicalDrives() & (DWORD{1} << (it->first - 'A'))) == 0) return std::nullopt;
  return it->second;
}

std::optional<DriveMap::Match> DriveMap::DriveOf(std::string_view path) const {
  if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0])))
    return std::nullopt;
  std::string_view rest = path.substr(2);
  while (!rest.empty() && (rest.front() == '/' || rest.front() == '\\')) rest.remove_prefix(1);
  return Match{static_cast<char>(std::toupper(static_cast<unsigned char>(path[0]))), std::string(rest)};
}

std::string DriveSettingProblem(std::string_view, std::string_view) { return ""; }

}  // namespace posix
