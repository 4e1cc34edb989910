#include "posix/file_system_posix.hpp"

#include <sys/stat.h>

#include <optional>

#include "posix/directory.hpp"
#include "posix/file_ops.hpp"
#include "vbrt/error.hpp"

namespace posix {

namespace {

// Resolves `path` and stats what it names (following a link), with no second walk of a path the
// resolver found as spelled and that is no link.
std::optional<std::string> ResolveAndStat(const PathResolver& resolver, std::string_view path,
                                          struct stat& st, bool& found) {
  found = false;
  std::optional<struct stat> entry;
  std::optional<std::string> posix_path;
  try {
    posix_path = resolver.ToPosix(path, entry);
  } catch (const vb::Error&) {
    return std::nullopt;
  }
  found = StatFollowing(*posix_path, entry, st);
  return posix_path;
}

std::string_view OwnName(std::string_view posix_path) {
  auto slash = posix_path.rfind('/');
  return slash == std::string_view::npos ? posix_path : posix_path.substr(slash + 1);
}

}  // namespace

FileSystemPosix::FileSystemPosix(PathResolver resolver) : resolver_(std::move(resolver)) {}

std::string FileSystemPosix::Dir(std::string_view path) {
  if (path.empty() || path.back() == '\\' || path.back() == '/') return "";
  struct stat st;
  bool found = false;
  std::optional<std::string> posix_path = ResolveAndStat(resolver_, path, st, found);
  if (!found || !S_ISREG(st.st_mode)) return "";
  std::string_view name = OwnName(*posix_path);
  if (name.empty() || name[0] == '.') return "";
  return WindowsNameOf(posix_path->substr(0, posix_path->size() - name.size()), name);
}

int FileSystemPosix::GetAttr(std::string_view path) {
  struct stat st;
  bool found = false;
  std::optional<std::string> posix_path = ResolveAndStat(resolver_, path, st, found);
  if (path.empty() || !found) vb::Raise(vb::err::FileNotFound);
  int attributes = platform::vbNormal;
  if ((st.st_mode & S_IWUSR) == 0) attributes |= platform::vbReadOnly;
  std::string_view name = OwnName(*posix_path);
  if (!name.empty() && name[0] == '.') attributes |= platform::vbHidden;
  if (S_ISDIR(st.st_mode)) attributes |= platform::vbDirectory;
  return attributes;
}

}  // namespace posix
