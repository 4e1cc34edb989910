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

constexpr std::string_view kArchiveSuffix = ",v";
constexpr char kRcsFolder[] = "RCS";
// Keyword expansion would change their bytes: form, designer and property page companions, resources.
constexpr std::string_view kBinaryExtensions[] = {".frx", ".ctx", ".dsx", ".pgx", ".dox", ".res"};

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool HasDrive(std::string_view p) {
  return p.size() >= 2 && p[1] == ':' && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
}
bool IsRooted(std::string_view p) {
  if (HasDrive(p)) p.remove_prefix(2);
  return !p.empty() && IsSeparator(p[0]);
}

std::string Join(std::string_view windows_dir, std::string_view relative) {
  std::string out(windows_dir);
  if (!out.empty() && !IsSeparator(out.back())) out += '\\';
  out += relative;
  return out;
}

std::optional<std::string> ToPosix(const posix::PathResolver& resolver, std::string_view windows) {
  try {
    return resolver.ToPosix(windows);
  } catch (const vb::Error&) {
    return std::nullopt;
  }
}

std::vector<std::string> Components(std::string_view posix_path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= posix_path.size()) {
    auto end = posix_path.find('/', start);
    if (end == std::string_view::npos) end = posix_path.size();
    if (end > start) parts.emplace_back(posix_path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// The folders of `folder` below `root`; nullopt when it is not inside it.
std::optional<std::vector<std::string>> Below(const std::string& root, const std::string& folder) {
  const std::vector<std::string> outer = Components(root);
  const std::vector<std::string> inner = Components(folder);
  if (inner.size() < outer.size() || !std::equal(outer.begin(), outer.end(), inner.begin()))
    return std::nullopt;
  return std::vector<std::string>(inner.begin() + static_cast<std::ptrdiff_t>(outer.size()), inner.end());
}

// How many folders a relative Windows path climbs out of: ".." left over once the path is
// resolved within itself ("..\A" 1, "A\..\..\B" 1, "RCS" 0).
std::size_t Climbs(std::string_view relative) {
  std::size_t depth = 0;
  std::size_t climbs = 0;
  std::size_t start = 0;
  while (start <= relative.size()) {
    std::size_t end = start;
    while (end < relative.size() && !IsSeparator(relative[end])) ++end;
    const std::string_view part = relative.substr(start, end - start);
    if (part == "..") {
      if (depth > 0) {
        --depth;
      } else {
        ++climbs;
      }
    } else if (!part.empty() && part != ".") {
      ++depth;
    }
    start = end + 1;
  }
  return climbs;
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

// `top` and the folders of `key` below it, each spelled as on disk where it exists already.
std::string FolderBelow(FolderListings& listings, const std::string& top,
                        const std::vector<std::string>& key) {
  std::string at = top;
  for (const auto& part : key) {
    std::optional<std::string> found = listings.Find(at, part);
    at = posix::JoinPath(at, found && posix::EqualsIgnoringCase(*found, part) ? *found : part);
  }
  return at;
}

// The on-disk name of `archive_name` in `folder`, matched without regard to case.
std::optional<std::string> FindArchive(FolderListings& listings, const std::string& folder,
                                       const std::string& archive_name) {
  std::optional<std::string> found = listings.Find(folder, archive_name);
  if (found && posix::EqualsIgnoringCase(*found, archive_name)) return found;
  return std::nullopt;
}

// An archive kept flat in `flat` before archives were kept by their work file's folder: moved
// into `folder` once, so its history goes on there and nowhere else. While RCS rewrites it, or
// when it cannot be moved, it is used where it is. Its on-disk name; nullopt when there is none.
std::optional<std::string> AdoptFlatArchive(FolderListings& listings, const std::string& flat,
                                            std::string& folder, const std::string& archive_name) {
  std::optional<std::string> old = FindArchive(listings, flat, archive_name);
  if (!old) return std::nullopt;
  const std::string rcs_lock =
      posix::JoinPath(flat, "," + old->substr(0, old->size() - kArchiveSuffix.size()) + ",");
  if (!StatusOf(rcs_lock).exists && MakeFolders(folder) &&
      MoveUnlessThere(posix::JoinPath(flat, *old), posix::JoinPath(folder, *old))) {
    listings.Forget(flat);
    listings.Forget(folder);
    return old;
  }
  // Another engine may have moved it meanwhile.
  listings.Forget(folder);
  if (std::optional<std::string> moved = FindArchive(listings, folder, archive_name)) return moved;
  if (!StatusOf(posix::JoinPath(flat, *old)).exists) return std::nullopt;
  folder = flat;
  return old;
}

}  // namespace

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
  if (name.empty() || name.find('\0') != std::string_view::npos) return std::nullopt;
  if (EntryExists(posix::JoinPath(folder, name))) return std::string(name);
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
  if (directory_.empty() || IsRooted(name)) return std::string(name);
  // "C:NAME" is relative to the current directory of drive C:, which is ours when CD went there.
  if (HasDrive(name)) {
    if (!HasDrive(directory_) || (directory_[0] | 0x20) != (name[0] | 0x20)) return std::string(name);
    name.remove_prefix(2);
  }
  return Join(directory_, name);
}

bool WorkFiles::ChangeDirectory(std::string_view windows_dir) {
  std::optional<std::string> posix_dir = ToPosix(resolver_, Absolute(windows_dir));
  if (!posix_dir || !StatusOf(*posix_dir).is_directory) return false;
  try {
    directory_ = resolver_.ToWindows(*posix_dir);
  } catch (const vb::Error&) {
    return false;
  }
  return true;
}

Location WorkFiles::Locate(std::string_view name, const ArchiveRule& rule, FolderListings& listings) const {
  Location out;
  out.error = status::reason::Unresolved(name);
  if (name.empty() || IsSeparator(name.back())) return out;
  std::optional<std::string> work = ToPosix(resolver_, Absolute(name));
  if (!work) return out;
  const auto slash = work->find_last_of('/');
  const std::string folder = slash == 0 ? "/" : work->substr(0, slash);
  std::string base = work->substr(slash + 1);
  if (base.empty() || !StatusOf(folder).is_directory) return out;
  const FileStatus work_status = StatusOf(*work);
  if (work_status.is_directory) return out;

  WorkFile file;
  file.received = std::string(name);
  const std::string archive_name = base + std::string(kArchiveSuffix);
  std::optional<std::string> found;
  out.error = PlaceArchive(folder, archive_name, rule, name, file, found, listings);
  if (!out.error.empty()) return out;

  if (!work_status.special.empty()) file.not_regular = "the work file is " + work_status.special;
  if (found) {
    file.archive = posix::JoinPath(file.archive_folder, *found);
    file.has_archive = true;
    const FileStatus archive_status = StatusOf(file.archive);
    if (archive_status.is_directory) {
      file.not_regular = "the archive is a folder";
    } else if (!archive_status.special.empty()) {
      file.not_regular = "the archive is " + archive_status.special;
    }
    // A work file that is not there takes the archive's spelling, as Windows would keep it.
    if (!work_status.exists) base = found->substr(0, found->size() - kArchiveSuffix.size());
  } else {
    file.archive = posix::JoinPath(file.archive_folder, archive_name);
  }
  file.work = posix::JoinPath(folder, base);
  out.file = std::move(file);
  return out;
}

std::string WorkFiles::PlaceArchive(const std::string& folder, const std::string& archive_name,
                                    const ArchiveRule& rule, std::string_view received, WorkFile& file,
                                    std::optional<std::string>& found, FolderListings& listings) const {
  if (rule.archives.empty()) {
    // Where RCS itself looks: a second archive would split the history and bypass its locks.
    const std::string rcs = posix::JoinPath(folder, kRcsFolder);
    const bool has_rcs = StatusOf(rcs).is_directory;
    if (has_rcs && (found = FindArchive(listings, rcs, archive_name))) {
      file.archive_folder = rcs;
    } else if ((found = FindArchive(listings, folder, archive_name))) {
      file.archive_folder = folder;
    } else {
      file.archive_folder = has_rcs ? rcs : folder;
    }
    return {};
  }

  std::string top;  // the folder Archives= names
  std::vector<std::string> key;
  if (IsRooted(rule.archives)) {
    std::optional<std::string> archives = ToPosix(resolver_, rule.archives);
    // An unmounted share must not turn into a new, empty history on the local disk.
    if (!archives || !StatusOf(*archives).is_directory) return status::reason::ArchivesMissing(rule.archives);
    std::optional<std::string> projects =
        rule.projects.empty() ? std::optional<std::string>(home_) : ToPosix(resolver_, rule.projects);
    std::optional<std::vector<std::string>> below;
    if (projects && !projects->empty()) below = Below(*projects, folder);
    if (!below) {
      std::string shown = rule.projects;
      if (shown.empty()) {
        try {
          shown = resolver_.ToWindows(home_);
        } catch (const vb::Error&) {
          shown = home_;
        }
      }
      return status::reason::OutsideProjects(received, shown);
    }
    top = *archives;
    key = std::move(*below);
  } else {
    std::optional<std::string> archives;
    try {
      archives = ToPosix(resolver_, Join(resolver_.ToWindows(folder), rule.archives));
    } catch (const vb::Error&) {
    }
    if (!archives) return status::reason::Unresolved(received);
    top = *archives;
    const std::vector<std::string> parts = Components(folder);
    const std::size_t climbs = std::min(Climbs(rule.archives), parts.size());
    key.assign(parts.end() - static_cast<std::ptrdiff_t>(climbs), parts.end());
  }

  file.archive_folder = FolderBelow(listings, top, key);
  found = FindArchive(listings, file.archive_folder, archive_name);
  if (!found && !key.empty()) found = AdoptFlatArchive(listings, top, file.archive_folder, archive_name);
  return {};
}

bool WorkFiles::IsBinary(const WorkFile& file) {
  const std::string base = file.work.substr(file.work.find_last_of('/') + 1);
  const auto dot = base.find_last_of('.');
  if (dot != std::string::npos) {
    const std::string_view extension = std::string_view(base).substr(dot);
    for (std::string_view binary : kBinaryExtensions) {
      if (posix::EqualsIgnoringCase(extension, binary)) return true;
    }
  }
  std::optional<bool> nul = HoldsNulByte(file.work);
  if (!nul && file.has_archive) nul = HoldsNulByte(file.archive);
  return nul.value_or(false);
}

std::string WorkFiles::RcsLockFile(const WorkFile& file) {
  const auto slash = file.archive.find_last_of('/');
  std::string name = file.archive.substr(slash + 1);
  if (name.ends_with(kArchiveSuffix)) name.resize(name.size() - kArchiveSuffix.size());
  return posix::JoinPath(file.archive.substr(0, slash == 0 ? 1 : slash), "," + name + ",");
}

}  // namespace wnorb16
