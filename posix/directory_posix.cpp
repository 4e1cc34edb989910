#include <dirent.h>
#include <sys/stat.h>

#include <memory>

#include "posix/directory.hpp"
#include "posix/short_names.hpp"
#include "vbrt/code_page.hpp"

namespace posix {

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || path.back() != '/') path += '/';
  path += name;
  return path;
}

std::vector<std::string> ListDirectory(const std::string& folder) {
  std::vector<std::string> names;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir) return names;
  while (dirent* entry = readdir(dir.get())) {
    std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  return names;
}

std::optional<std::string> FindEntry(const std::string& folder, std::string_view name) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return std::nullopt;
  struct stat st;
  if (lstat(JoinPath(folder, name).c_str(), &st) == 0) return std::string(name);
  std::vector<std::string> siblings = ListDirectory(folder);
  std::optional<std::string> match;
  for (const auto& sibling : siblings) {
    if (vb::Utf8EqualsIgnoringCase(sibling, name) && (!match || sibling < *match)) match = sibling;
  }
  if (match) return match;
  return LongNameOfAlias(siblings, name);
}

std::string WindowsNameOf(const std::string& folder, std::string_view name) {
  if (std::optional<std::string> spelled = vb::ActiveCodePage().FromUtf8(name)) return std::move(*spelled);
  return ShortNameAmong(ListDirectory(folder), name);
}

}  // namespace posix
