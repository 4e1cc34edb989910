#include "wnorb16/rcs/archive_placement.hpp"

#include <algorithm>
#include <vector>

#include "posix/directory.hpp"
#include "posix/file_ops.hpp"
#include "posix/short_names.hpp"
#include "vbrt/error.hpp"
#include "wnorb16/disk.hpp"
#include "wnorb16/status_text.hpp"
#include "wnorb16/work_files.hpp"

namespace wnorb16::rcs {

namespace {

constexpr char kRcsFolder[] = "RCS";

std::string ArchivesMissing(std::string_view archives) {
  return "the archive folder " + std::string(archives) +
         " (Archives=) does not exist; is its drive or share there? Nothing was done";
}
std::string OutsideProjects(std::string_view file, std::string_view projects) {
  return std::string(file) + " is outside the projects folder " + std::string(projects) +
         " (Projects=), whose layout the archive folder keeps; nothing was done";
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

// The on-disk name of `archive_name` in `folder`, matched without regard to case. Never another
// file's by its short alias: an archive's name ends in ",v", which no alias holds.
std::optional<std::string> FindArchive(FolderListings& listings, const std::string& folder,
                                       const std::string& archive_name,
                                       std::optional<FileStatus>* status = nullptr) {
  std::optional<FileStatus> seen;
  std::optional<std::string> found = listings.Find(folder, archive_name, seen);
  if (status != nullptr) *status = seen;
  return found;
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
  if (!StatusOf(rcs_lock).exists && posix::MakeFolders(folder) &&
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

Placement ArchivePlacement::Place(const std::string& folder, const std::string& name, const ArchiveRule& rule,
                                  std::string_view received, FolderListings& listings) const {
  Placement placed;
  const std::string archive_name = name + std::string(kArchiveSuffix);
  std::optional<std::string> found;
  std::optional<FileStatus> found_status;
  placed.error =
      PlaceArchive(folder, archive_name, rule, received, placed.record_folder, found, found_status, listings);
  if (!placed.error.empty()) return placed;
  if (!found) {
    placed.record = posix::JoinPath(placed.record_folder, archive_name);
    return placed;
  }
  placed.record = posix::JoinPath(placed.record_folder, *found);
  placed.under_control = true;
  placed.spelling = found->substr(0, found->size() - kArchiveSuffix.size());
  const FileStatus archive_status = found_status ? *found_status : StatusOf(placed.record);
  if (archive_status.is_directory) {
    placed.not_regular = "the archive is a folder";
  } else if (!archive_status.special.empty()) {
    placed.not_regular = "the archive is " + archive_status.special;
  }
  if (archive_status.exists) placed.record_status = archive_status;
  return placed;
}

std::string ArchivePlacement::PlaceArchive(const std::string& folder, const std::string& archive_name,
                                           const ArchiveRule& rule, std::string_view received,
                                           std::string& archive_folder, std::optional<std::string>& found,
                                           std::optional<FileStatus>& found_status,
                                           FolderListings& listings) const {
  found_status.reset();
  if (rule.archives.empty()) {
    // Where RCS itself looks: a second archive would split the history and bypass its locks.
    // An archive found in RCS/ proves the folder, so the folder is looked at only without one.
    const std::string rcs = posix::JoinPath(folder, kRcsFolder);
    if ((found = FindArchive(listings, rcs, archive_name, &found_status))) {
      archive_folder = rcs;
      return {};
    }
    const bool has_rcs = StatusOf(rcs).is_directory;
    if ((found = FindArchive(listings, folder, archive_name))) {
      archive_folder = folder;
    } else {
      archive_folder = has_rcs ? rcs : folder;
    }
    return {};
  }

  std::string top;  // the folder Archives= names
  std::vector<std::string> key;
  if (IsRootedWindowsPath(rule.archives)) {
    std::optional<std::string> archives = ToPosixPath(resolver_, rule.archives);
    // An unmounted share must not turn into a new, empty history on the local disk.
    if (!archives || !StatusOf(*archives).is_directory) return ArchivesMissing(rule.archives);
    std::optional<std::string> projects =
        rule.projects.empty() ? std::optional<std::string>(home_) : ToPosixPath(resolver_, rule.projects);
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
      return OutsideProjects(received, shown);
    }
    top = *archives;
    key = std::move(*below);
  } else {
    std::optional<std::string> archives;
    try {
      archives = ToPosixPath(resolver_, JoinWindowsPath(resolver_.ToWindows(folder), rule.archives));
    } catch (const vb::Error&) {
    }
    if (!archives) return status::reason::Unresolved(received);
    top = *archives;
    const std::vector<std::string> parts = Components(folder);
    const std::size_t climbs = std::min(ClimbsAbove(rule.archives), parts.size());
    key.assign(parts.end() - static_cast<std::ptrdiff_t>(climbs), parts.end());
  }

  archive_folder = FolderBelow(listings, top, key);
  found = FindArchive(listings, archive_folder, archive_name);
  if (!found && !key.empty()) found = AdoptFlatArchive(listings, top, archive_folder, archive_name);
  return {};
}

std::string RcsLockFile(const std::string& archive) {
  const auto slash = archive.find_last_of('/');
  std::string name = archive.substr(slash + 1);
  if (name.ends_with(kArchiveSuffix)) name.resize(name.size() - kArchiveSuffix.size());
  return posix::JoinPath(archive.substr(0, slash == 0 ? 1 : slash), "," + name + ",");
}

}  // namespace wnorb16::rcs
