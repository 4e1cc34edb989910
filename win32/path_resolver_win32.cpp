// On Windows a program's paths are the system's own: the resolver makes them absolute, resolves
// "." and ".." and writes them with "/", and leaves the names to Windows, which looks them up
// without regard to case and by alias itself. The names stay in the active code page, as the
// Win32 calls the programs make take them.
#include <windows.h>

#include "posix/path_resolver.hpp"
#include "vbrt/error.hpp"

namespace posix {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

void AppendComponents(std::string_view path, std::vector<std::string>& out) {
  while (!path.empty()) {
    auto end = path.find_first_of("\\/");
    std::string_view part = path.substr(0, end);
    path = end == std::string_view::npos ? std::string_view() : path.substr(end + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!out.empty()) out.pop_back();
      continue;
    }
    out.emplace_back(part);
  }
}

void CheckTaken(std::string_view path) {
  if (path.size() > kMaxPathLength || path.find('\0') != std::string_view::npos) {
    vb::Raise(vb::err::BadFileNameOrNumber);
  }
}

std::string Joined(const std::string& root, const std::vector<std::string>& components) {
  std::string path = root;
  for (const auto& component : components) path += "/" + component;
  return components.empty() ? path + "/" : path;
}

}  // namespace

std::string CurrentDirectory() {
  std::string buffer(MAX_PATH, '\0');
  DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
  if (n > buffer.size()) {
    buffer.resize(n);
    n = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
  }
  if (n == 0 || n > buffer.size()) return "C:/";
  buffer.resize(n);
  for (char& c : buffer) {
    if (c == '\\') c = '/';
  }
  return buffer;
}

std::string FolderOfFile(std::string_view path) {
  std::string full(MAX_PATH, '\0');
  DWORD n =
      GetFullPathNameA(std::string(path).c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (n > full.size()) {
    full.resize(n);
    n = GetFullPathNameA(std::string(path).c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  if (n == 0 || n > full.size()) return CurrentDirectory();
  full.resize(n);
  auto slash = full.find_last_of("\\/");
  if (slash == std::string::npos) return CurrentDirectory();
  // A file in a drive's root keeps the root's separator: "C:" alone is the drive's current folder.
  return full.substr(0, slash == 2 ? 3 : slash);
}

PathResolver::PathResolver(DriveMap drives) : drives_(std::move(drives)) {}

PathResolver::Located PathResolver::Locate(std::string_view windows_path) const {
  CheckTaken(windows_path);
  Located located;
  const bool has_drive = windows_path.size() >= 2 && IsLetter(windows_path[0]) && windows_path[1] == ':';
  std::string_view rest = has_drive ? windows_path.substr(2) : windows_path;
  const bool rooted = !rest.empty() && IsSeparator(rest[0]);
  const std::string cwd = CurrentDirectory();
  std::optional<DriveMap::Match> cwd_drive = drives_.DriveOf(cwd);
  const char letter = has_drive ? windows_path[0] : cwd_drive ? cwd_drive->letter : 'C';
  std::optional<std::string> folder = drives_.Folder(letter);
  if (!folder) vb::Raise(vb::err::PathNotFound);
  located.drive = (*folder)[0];
  located.root = *folder;
  if (!rooted && cwd_drive && cwd_drive->letter == located.drive)
    AppendComponents(cwd_drive->rest, located.components);
  AppendComponents(rest, located.components);
  return located;
}

std::string PathResolver::ToPosix(std::string_view windows_path) const {
  std::optional<struct stat> entry;
  return ToPosix(windows_path, entry);
}

// `entry` stays empty: Windows' stat has only whole seconds, and the engine asks the system itself.
std::string PathResolver::ToPosix(std::string_view windows_path, std::optional<struct stat>& entry) const {
  entry.reset();
  Located located = Locate(windows_path);
  return Joined(located.root, located.components);
}

std::string PathResolver::ToWindows(std::string_view path) const {
  CheckTaken(path);
  Located located = Locate(path);
  std::string windows = Joined(located.root, located.components);
  for (char& c : windows) {
    if (c == '/') c = '\\';
  }
  return windows;
}

std::optional<std::string> PathResolver::ToShort(std::string_view windows_path) const {
  std::string path;
  try {
    path = ToWindows(windows_path);
  } catch (const vb::Error&) {
    return std::nullopt;
  }
  std::string short_path(path.size() + 1, '\0');
  DWORD n = GetShortPathNameA(path.c_str(), short_path.data(), static_cast<DWORD>(short_path.size()));
  if (n > short_path.size()) {
    short_path.resize(n);
    n = GetShortPathNameA(path.c_str(), short_path.data(), static_cast<DWORD>(short_path.size()));
  }
  if (n == 0 || n > short_path.size()) return std::nullopt;
  short_path.resize(n);
  const bool trailing = !windows_path.empty() && IsSeparator(windows_path.back());
  if (trailing && short_path.back() != '\\') short_path += '\\';
  return short_path;
}

}  // namespace posix
