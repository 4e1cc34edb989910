#include "wnorb16/work_files.hpp"

#include <algorithm>
#include <vector>

#include "posix/directory.hpp"
#include "posix/short_names.hpp"
#include "vbrt/code_page.hpp"
#include "vbrt/error.hpp"
#include "wnorb16/disk.hpp"
#include "wnorb16/status_text.hpp"

namespace wnorb16 {

namespace {

// Keyword expansion would change their bytes: form, designer and property page companions, resources.
constexpr std::string_view kBinaryExtensions[] = {".frx", ".ctx", ".dsx", ".pgx", ".dox", ".res"};

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool HasDrive(std::string_view p) {
  return p.size() >= 2 && p[1] == ':' && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
}
bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

std::string AsciiUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return out;
}

}  // namespace

bool IsRootedWindowsPath(std::string_view path) {
  if (HasDrive(path)) path.remove_prefix(2);
  return !path.empty() && IsSeparator(path[0]);
}

std::size_t ClimbsAbove(std::string_view path) {
  if (HasDrive(path)) path.remove_prefix(2);
  std::size_t depth = 0;
  std::size_t climbs = 0;
  while (!path.empty()) {
    std::size_t end = 0;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    const std::string_view part = path.substr(0, end);
    if (part == "..") {
      depth > 0 ? --depth : ++climbs;
    } else if (!part.empty() && part != ".") {
      ++depth;
    }
    path.remove_prefix(std::min(end + 1, path.size()));
  }
  return climbs;
}

std::string JoinWindowsPath(std::string_view windows_dir, std::string_view relative) {
  std::string out(windows_dir);
  if (!out.empty() && !IsSeparator(out.back())) out += '\\';
  out += relative;
  return out;
}

std::optional<std::string> ToPosixPath(const posix::PathResolver& resolver, std::string_view windows) {
  std::optional<FileStatus> status;
  return ToPosixPath(resolver, windows, status);
}

std::optional<std::string> ToPosixPath(const posix::PathResolver& resolver, std::string_view windows,
                                       std::optional<FileStatus>& status) {
  status.reset();
  try {
    std::optional<struct stat> entry;
    std::string path = resolver.ToPosix(windows, entry);
    if (entry) status = StatusOfEntry(*entry);
    return path;
  } catch (const vb::Error&) {
    return std::nullopt;
  }
}

const FolderListings::Listing& FolderListings::Of(const std::string& folder) {
  auto [it, added] = listings_.try_emplace(folder);
  if (!added) return it->second;
  Listing& listing = it->second;
  listing.names = posix::ListDirectory(folder);
  for (const auto& name : listing.names) {
    if (!IsAscii(name)) {
      listing.beyond_ascii.push_back(name);
      continue;
    }
    auto [at, first] = listing.by_ascii_upper.try_emplace(AsciiUpper(name), name);
    if (!first && name < at->second) at->second = name;
  }
  return listing;
}

std::optional<std::string> FolderListings::Find(const std::string& folder, std::string_view name) {
  std::optional<FileStatus> status;
  return Find(folder, name, status);
}

std::optional<std::string> FolderListings::Find(const std::string& folder, std::string_view name,
                                                std::optional<FileStatus>& status) {
  status.reset();
  if (name.empty() || name.find('\0') != std::string_view::npos) return std::nullopt;
  if (EntryExists(posix::JoinPath(folder, name), status)) return std::string(name);
  const Listing& listing = Of(folder);
  std::optional<std::string> match;
  auto consider = [&](const std::string& sibling) {
    if (vb::Utf8EqualsIgnoringCase(sibling, name) && (!match || sibling < *match)) match = sibling;
  };
  if (IsAscii(name)) {
    // An ASCII name can only match an ASCII sibling by its upper case.
    if (auto at = listing.by_ascii_upper.find(AsciiUpper(name)); at != listing.by_ascii_upper.end())
      match = at->second;
    for (const auto& sibling : listing.beyond_ascii) consider(sibling);
  } else {
    for (const auto& sibling : listing.names) consider(sibling);
  }
  if (match) return match;
  return posix::LongNameOfAlias(listing.names, name);
}

std::string WorkFiles::Absolute(std::string_view name) const {
  if (directory_.empty() || IsRootedWindowsPath(name)) return std::string(name);
  // "C:NAME" is relative to the current directory of drive C:, which is ours when CD went there.
  if (HasDrive(name)) {
    if (!HasDrive(directory_) || (directory_[0] | 0x20) != (name[0] | 0x20)) return std::string(name);
    name.remove_prefix(2);
  }
  return JoinWindowsPath(directory_, name);
}

bool WorkFiles::ChangeDirectory(std::string_view windows_dir) {
  std::optional<std::string> posix_dir = ToPosixPath(resolver_, Absolute(windows_dir));
  if (!posix_dir || !StatusOf(*posix_dir).is_directory) return false;
  try {
    directory_ = resolver_.ToWindows(*posix_dir);
  } catch (const vb::Error&) {
    return false;
  }
  return true;
}

Location WorkFiles::Locate(std::string_view name, const Store& store, FolderListings& listings) const {
  Location out;
  out.error = status::reason::Unresolved(name);
  if (name.empty() || IsSeparator(name.back())) return out;
  std::optional<FileStatus> seen;
  std::optional<std::string> work = ToPosixPath(resolver_, Absolute(name), seen);
  if (!work) return out;
  const auto slash = work->find_last_of('/');
  const std::string folder = slash == 0 ? "/" : work->substr(0, slash);
  std::string base = work->substr(slash + 1);
  if (base.empty()) return out;
  const FileStatus work_status = seen ? *seen : StatusOf(*work);
  // A work file that is there stands in a folder; only a missing one needs its folder looked at.
  if (work_status.is_directory || (!work_status.exists && !StatusOf(folder).is_directory)) return out;

  if (climbs_ > 0) {
    if (const std::size_t depth = DepthBelowDrive(folder); depth < climbs_) {
      out.error = status::setting::AboveDriveFrom(name, climbing_archives_, climbs_, depth, ini_);
      return out;
    }
  }

  Placement placed = store.Place(folder, base, name, listings);
  out.error = std::move(placed.error);
  if (!out.error.empty()) return out;

  WorkFile file;
  file.received = std::string(name);
  file.record = std::move(placed.record);
  file.record_folder = std::move(placed.record_folder);
  file.under_control = placed.under_control;
  file.record_status = std::move(placed.record_status);
  if (!work_status.special.empty()) file.not_regular = "the work file is " + work_status.special;
  if (!placed.not_regular.empty()) file.not_regular = std::move(placed.not_regular);
  file.refused = std::move(placed.refused);
  // A work file that is not there takes the record's spelling, as Windows would keep it.
  if (!work_status.exists && !placed.spelling.empty()) base = std::move(placed.spelling);
  file.work = posix::JoinPath(folder, base);
  out.file = std::move(file);
  return out;
}

std::size_t WorkFiles::DepthBelowDrive(const std::string& folder) const {
  std::optional<posix::DriveMap::Match> drive = resolver_.drives().DriveOf(folder);
  if (!drive) return 0;
  std::size_t depth = 0;
  for (std::size_t at = 0; at < drive->rest.size(); ++at) {
    if (drive->rest[at] != '/' && (at == 0 || drive->rest[at - 1] == '/')) ++depth;
  }
  return depth;
}

std::optional<bool> WorkFiles::IsBinary(const std::string& work) {
  const std::string base = work.substr(work.find_last_of('/') + 1);
  const auto dot = base.find_last_of('.');
  if (dot != std::string::npos) {
    const std::string_view extension = std::string_view(base).substr(dot);
    for (std::string_view binary : kBinaryExtensions) {
      if (posix::EqualsIgnoringCase(extension, binary)) return true;
    }
  }
  return posix::HoldsNulByte(work);
}

}  // namespace wnorb16
