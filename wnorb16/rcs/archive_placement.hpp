// Where the RCS archive of a work file lives under the settings Archives= and Projects=. No
// archive is ever shared by two work files, and no file gets a second archive while it has one.
#pragma once

#include <string>
#include <string_view>

#include "posix/path_resolver.hpp"
#include "wnorb16/disk.hpp"
#include "wnorb16/store.hpp"

namespace wnorb16::rcs {

inline constexpr std::string_view kArchiveSuffix = ",v";

// Where the settings put archives.
struct ArchiveRule {
  // Archives=: "" for RCS's own rule; a Windows folder, relative ones taken against each work file's folder.
  std::string archives;
  // Projects=: the Windows folder whose layout a central Archives folder mirrors; "" for the user's home.
  std::string projects;
};

class ArchivePlacement {
 public:
  // `home` is the user's home folder (POSIX), the default of Projects=.
  ArchivePlacement(posix::PathResolver resolver, std::string home)
      : resolver_(std::move(resolver)), home_(std::move(home)) {}

  // The archive of the work file `name` in `folder` under `rule`:
  // - RCS's own rule looks in the RCS folder, then beside the file; a new archive goes into the
  //   RCS folder when there is one.
  // - A rooted Archives folder, which must exist, mirrors the work file's folder below the
  //   projects folder, so two copies of one project meet in it and two projects never do.
  // - A relative one that climbs out of the work file's folder ("..\ARCHIVE") mirrors the
  //   folders it climbed over.
  // An archive a flat layout kept directly in the Archives folder is moved once to its place.
  // An error when the Archives folder is missing or the file lies outside the projects folder.
  Placement Place(const std::string& folder, const std::string& name, const ArchiveRule& rule,
                  std::string_view received, FolderListings& listings) const;

 private:
  // The folder of the archive and its on-disk name when it has one, with its status when the
  // search saw it; empty error on success.
  std::string PlaceArchive(const std::string& folder, const std::string& archive_name,
                           const ArchiveRule& rule, std::string_view received, std::string& archive_folder,
                           std::optional<std::string>& found, std::optional<FileStatus>& found_status,
                           FolderListings& listings) const;

  posix::PathResolver resolver_;
  std::string home_;
};

// RCS's own lock file of an archive, which exists while RCS rewrites it.
std::string RcsLockFile(const std::string& archive);

}  // namespace wnorb16::rcs
