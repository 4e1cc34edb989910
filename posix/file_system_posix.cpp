#include "posix/file_system_posix.hpp"

#include <sys/stat.h>

#include <optional>

#include "posix/directory.hpp"
#include "vbrt/error.hpp"

namespace posix {

namespace {

std::optional<std::string> Resolve(const PathResolver& resolver, std::string_view path) {
  try {
    return resolver.ToPosix(path);
  } catch (const vb::Error&) {
    return std::nullopt;
  }
}

std::string_view OwnName(std::string_view posix_path) {
  auto slash = posix_path.rfind('/');
  return slash == std::string_view::npos ? posix_path : posix_path.substr(slash + 1);
}

}  // namespace

FileSystemPosix::FileSystemPosix(PathResolver resolver) : resolver_(std::move(resolver)) {}

std::string FileSystemPosix::Dir(std::string_view path) {
  if (path.empty() || path.back() == '\\' || path.back() == '/') return "";
  std::optional<std::string> posix_path = Resolve(resolver_, path);
  struct stat st;
  if (!posix_path || stat(posix_path->c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return "";
  std::string_view name = OwnName(*posix_path);
  if (name.empty() || name[0] == '.') return "";
  return WindowsNameOf(posix_path->substr(0, posix_path->size() - name.size()), name);
}

int FileSystemPosix::GetAttr(std::string_view path) {
  std::optional<std::string> posix_path = Resolve(resolver_, path);
  struct stat st;
  if (path.empty() || !posix_path || stat(posix_path->c_str(), &st) != 0) vb::Raise(vb::err::FileNotFound);
  int attributes = platform::vbNormal;
  if ((st.st_mode & S_IWUSR) == 0) attributes |= platform::vbReadOnly;
  std::string_view name = OwnName(*posix_path);
  if (!name.empty() && name[0] == '.') attributes |= platform::vbHidden;
  if (S_ISDIR(st.st_mode)) attributes |= platform::vbDirectory;
  return attributes;
}

}  // namespace posix
