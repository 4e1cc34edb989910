// Where a file named in a command is on disk, and where its archive is.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "posix/path_resolver.hpp"

namespace wnorb16 {

// Where the settings put archives.
struct ArchiveRule {
  // Archives=: "" for RCS's own rule; a Windows folder, relative ones taken against each work file's folder.
  std::string archives;
  // Projects=: the Windows folder whose layout a central Archives folder mirrors; "" for the user's home.
  std::string projects;
};

struct WorkFile {
  std::string received;        // as the command named it
  std::string work;            // POSIX path of the work file (it may not exist)
  std::string archive_folder;  // POSIX folder of the archive
  std::string archive;         // POSIX path of the ",v" file
  bool has_archive = false;
  // Which of the two is neither a regular file nor missing, and what it is ("the archive is a
  // FIFO"); "" when both can be used. Such a file is neither read nor given to RCS.
  std::string not_regular;
};

// The entries of the folders one command looks names up in, each folder listed once: a check-in
// of thousands of files without archives lists their folder once, not once per file.
class FolderListings {
 public:
  // As posix::FindEntry: the exact name when it exists, else the entry matching without regard
  // to case (the first in byte order), else the sibling whose short alias it is.
  std::optional<std::string> Find(const std::string& folder, std::string_view name);
  // The folder changed (an archive was moved into or out of it): list it again when asked.
  void Forget(const std::string& folder) { listings_.erase(folder); }

 private:
  struct Listing {
    std::vector<std::string> names;
    std::map<std::string, std::string> by_ascii_upper;  // ASCII names by their upper case
    std::vector<std::string> beyond_ascii;              // compared one by one
  };
  const Listing& Of(const std::string& folder);

  std::map<std::string, Listing> listings_;
};

// A located file, or why its name cannot be used.
struct Location {
  std::optional<WorkFile> file;
  std::string error;  // without a file: the reason, for an "ERROR:" answer
};

class WorkFiles {
 public:
  // `home` is the user's home folder (POSIX), the default of Projects=.
  WorkFiles(posix::PathResolver resolver, std::string home)
      : resolver_(std::move(resolver)), home_(std::move(home)) {}

  // "CD": later relative names are taken against `windows_dir`. False when it names no folder.
  bool ChangeDirectory(std::string_view windows_dir);

  // The file `name` (Windows form, short aliases allowed) stands for, with its archive under
  // `rule`. No archive is ever shared by two work files:
  // - RCS's own rule looks in the RCS folder, then beside the file; a new archive goes into the
  //   RCS folder when there is one.
  // - A rooted Archives folder, which must exist, mirrors the work file's folder below the
  //   projects folder, so two copies of one project meet in it and two projects never do.
  // - A relative one that climbs out of the work file's folder ("..\ARCHIVE") mirrors the
  //   folders it climbed over.
  // An archive a flat layout kept directly in the Archives folder is moved once to its place.
  // No file when the name does not resolve to a file in an existing folder, when the Archives
  // folder is missing, or when the file lies outside the projects folder.
  // `listings` lets the files of one command share their folders' listings.
  Location Locate(std::string_view name, const ArchiveRule& rule, FolderListings& listings) const;
  Location Locate(std::string_view name, const ArchiveRule& rule) const {
    FolderListings listings;
    return Locate(name, rule, listings);
  }

  // A file RCS must keep as binary (no keyword expansion): a companion file of a form, designer or
  // property page (.frx .ctx .dsx .pgx .dox), a resource file (.res), or any file holding a NUL byte
  // (the work file read, or the archive when there is no work file).
  static bool IsBinary(const WorkFile& file);

  // RCS's own lock file of an archive, which exists while RCS rewrites it.
  static std::string RcsLockFile(const WorkFile& file);

 private:
  std::string Absolute(std::string_view name) const;
  // The folder of `file`'s archive and the archive's on-disk name when it has one; empty error on success.
  std::string PlaceArchive(const std::string& folder, const std::string& archive_name,
                           const ArchiveRule& rule, std::string_view received, WorkFile& file,
                           std::optional<std::string>& found, FolderListings& listings) const;

  posix::PathResolver resolver_;
  std::string home_;
  std::string directory_;  // Windows form, from the last CD; "" before any
};

}  // namespace wnorb16
