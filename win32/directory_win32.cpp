// Folder look-ups on Windows: the system itself matches names without regard to case and by
// their short aliases, and answers the name as it is on disk.
#include <windows.h>

#include "posix/directory.hpp"

namespace posix {

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || (path.back() != '/' && path.back() != '\\')) path += '/';
  path += name;
  return path;
}

std::vector<std::string> ListDirectory(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA(JoinPath(folder, "*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::string_view name = found.cFileName;
    if (name != "." && name != "..") names.emplace_back(name);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return names;
}

std::optional<std::string> FindEntry(const std::string& folder, std::string_view name) {
  // A wildcard would match some other file.
  if (name.empty() || name.find_first_of(std::string_view("\0*?", 3)) != std::string_view::npos)
    return std::nullopt;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA(JoinPath(folder, name).c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return std::nullopt;
  FindClose(find);
  return std::string(found.cFileName);
}

std::string WindowsNameOf(const std::string&, std::string_view name) { return std::string(name); }

}  // namespace posix
