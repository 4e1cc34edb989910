#include "posix/path_resolver.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "posix/directory.hpp"
#include "posix/short_names.hpp"
#include "vbrt/code_page.hpp"
#include "vbrt/error.hpp"

namespace posix {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Appends the components of `path` (split at `separators`) to `out`, resolving "." and ".."
// lexically; ".." at the root stays there, as on Windows.
void AppendComponents(std::string_view path, std::string_view separators, std::vector<std::string>& out) {
  while (!path.empty()) {
    auto end = path.find_first_of(separators);
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

// Appends one component in place: rebuilding the path for each would make resolution quadratic.
void Append(std::string& path, std::string_view name) {
  if (path.empty() || path.back() != '/') path += '/';
  path += name;
}

// A path the resolver refuses before it looks at a single component.
void CheckTaken(std::string_view path) {
  if (path.size() > kMaxPathLength || path.find('\0') != std::string_view::npos) {
    vb::Raise(vb::err::BadFileNameOrNumber);
  }
}

}  // namespace

std::string CurrentDirectory() {
  std::string buffer(256, '\0');
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return "/";
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(buffer.find('\0'));
  return buffer;
}

std::string FolderOfFile(std::string_view path) {
  std::string folder = ".";
  if (auto slash = path.rfind('/'); slash != std::string_view::npos)
    folder = path.substr(0, slash == 0 ? 1 : slash);
  if (folder[0] != '/') folder = CurrentDirectory() + "/" + folder;
  return folder;
}

PathResolver::PathResolver(DriveMap drives) : drives_(std::move(drives)) {}

PathResolver::Located PathResolver::Locate(std::string_view windows_path) const {
  CheckTaken(windows_path);
  Located located;
  bool has_drive = windows_path.size() >= 2 && IsLetter(windows_path[0]) && windows_path[1] == ':';
  std::string_view rest = has_drive ? windows_path.substr(2) : windows_path;
  bool rooted = !rest.empty() && IsSeparator(rest[0]);

  if (has_drive) {
    std::optional<std::string> folder = drives_.Folder(windows_path[0]);
    if (!folder) vb::Raise(vb::err::PathNotFound);
    located.drive = windows_path[0];
    located.root = *folder;
    // "C:name" is relative to the current directory when that lies on C:. A rooted path needs
    // no current directory: the engine and the host resolve one for every file they touch.
    if (!rooted) {
      std::optional<DriveMap::Match> cwd_drive = drives_.DriveOf(CurrentDirectory());
      if (cwd_drive && drives_.Folder(cwd_drive->letter) == folder) {
        AppendComponents(cwd_drive->rest, "/", located.components);
      }
    }
    AppendComponents(rest, "\\/", located.components);
    return located;
  }
  std::string cwd = CurrentDirectory();
  std::optional<DriveMap::Match> cwd_drive = drives_.DriveOf(cwd);
  if (cwd_drive) {
    located.drive = cwd_drive->letter;
    located.root = *drives_.Folder(cwd_drive->letter);
    if (!rooted) AppendComponents(cwd_drive->rest, "/", located.components);
  } else {
    located.root = "/";
    if (!rooted) AppendComponents(cwd, "/", located.components);
  }
  AppendComponents(rest, "\\/", located.components);
  return located;
}

std::string PathResolver::ToPosix(std::string_view windows_path) const {
  std::optional<struct stat> entry;
  return ToPosix(windows_path, entry);
}

std::string PathResolver::ToPosix(std::string_view windows_path, std::optional<struct stat>& entry) const {
  entry.reset();
  Located located = Locate(windows_path);
  // Windows names are in the code page, POSIX names UTF-8.
  std::vector<std::string> names;
  names.reserve(located.components.size());
  for (const auto& component : located.components) names.push_back(vb::ActiveCodePage().ToUtf8(component));

  // Most paths name what is on disk as spelled. One lstat of the whole path then answers what
  // one per component would: each component was found by its exact name (which wins over any
  // other case), through the same symbolic links.
  std::string spelled = located.root;
  for (const auto& name : names) Append(spelled, name);
  if (names.empty()) return spelled;
  if (struct stat st; lstat(spelled.c_str(), &st) == 0) {
    entry = st;
    return spelled;
  }

  std::string path = located.root;
  bool on_disk = true;
  for (auto& name : names) {
    std::optional<std::string> entry;
    if (on_disk) entry = FindEntry(path, name);
    on_disk = entry.has_value();
    Append(path, entry ? *entry : name);
  }
  return path;
}

std::string PathResolver::ToWindows(std::string_view posix_path) const {
  CheckTaken(posix_path);
  std::vector<std::string> components;
  if (posix_path.empty() || posix_path[0] != '/') AppendComponents(CurrentDirectory(), "/", components);
  AppendComponents(posix_path, "/", components);
  std::string absolute;
  for (const auto& component : components) Append(absolute, component);
  if (absolute.empty()) absolute = "/";

  std::optional<DriveMap::Match> match = drives_.DriveOf(absolute);
  if (!match) vb::Raise(vb::err::PathNotFound);
  std::string windows{match->letter, ':', '\\'};
  std::string folder = *drives_.Folder(match->letter);
  std::vector<std::string> rest;
  AppendComponents(match->rest, "/", rest);
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (i > 0) windows += '\\';
    windows += WindowsNameOf(folder, rest[i]);
    Append(folder, rest[i]);
  }
  return windows;
}

std::optional<std::string> PathResolver::ToShort(std::string_view windows_path) const {
  Located located;
  try {
    located = Locate(windows_path);
  } catch (const vb::Error&) {
    return std::nullopt;
  }
  if (located.drive == '\0') return std::nullopt;

  std::string path = located.root;
  std::string short_path{located.drive, ':'};
  for (const auto& component : located.components) {
    // Looked up by its UTF-8 name, as ToPosix does. What comes back is ASCII (an 8.3 name or an
    // alias), so it is already in every code page.
    std::optional<std::string> entry = FindEntry(path, vb::ActiveCodePage().ToUtf8(component));
    if (!entry) return std::nullopt;
    short_path += '\\';
    short_path += IsValidShortName(*entry) ? *entry : ShortNameAmong(ListDirectory(path), *entry);
    Append(path, *entry);
  }
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return std::nullopt;
  bool trailing = !windows_path.empty() && IsSeparator(windows_path.back());
  if (located.components.empty() || trailing) short_path += '\\';
  return short_path;
}

}  // namespace posix
