// Where a file named in a command is on disk; where its record is, its store says.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "posix/path_resolver.hpp"
#include "wnorb16/disk.hpp"
#include "wnorb16/store.hpp"

namespace wnorb16 {

// Lexical work on the Windows names of commands and settings, shared with the stores' placement.
// "C:\A", "\A" and "/A" are rooted; "C:A" and "A" are not.
bool IsRootedWindowsPath(std::string_view path);
// How many folders `path` climbs above where it starts: the ".." left over once it is resolved
// within itself ("..\A" 1, "A\..\..\B" 1, "RCS" 0). For a rooted path, climbs above its drive's
// folder ("C:\..\etc" 1).
std::size_t ClimbsAbove(std::string_view path);
// `relative` after the folder `windows_dir`, with one separator between them.
std::string JoinWindowsPath(std::string_view windows_dir, std::string_view relative);
// The POSIX path of a Windows name; nullopt when the resolver refuses it.
std::optional<std::string> ToPosixPath(const posix::PathResolver& resolver, std::string_view windows);
// The same, with the status of what is there when resolution saw it (StatusOfEntry).
std::optional<std::string> ToPosixPath(const posix::PathResolver& resolver, std::string_view windows,
                                       std::optional<FileStatus>& status);

// The entries of the folders one command looks names up in, each folder listed once: a check-in
// of thousands of files without archives lists their folder once, not once per file.
class FolderListings {
 public:
  // As posix::FindEntry: the exact name when it exists, else the entry matching without regard
  // to case (the first in byte order), else the sibling whose short alias it is.
  std::optional<std::string> Find(const std::string& folder, std::string_view name);
  // The same; `status` gets the entry's status when the exact name was there and no link.
  std::optional<std::string> Find(const std::string& folder, std::string_view name,
                                  std::optional<FileStatus>& status);
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
  explicit WorkFiles(posix::PathResolver resolver) : resolver_(std::move(resolver)) {}

  // A relative archive folder (Archives=) climbs `climbs` folders from each work file's folder: a
  // file whose folder lies fewer folders below its drive's is refused, the reason naming `archives`
  // and the settings file `ini`, as the climb would stop at the drive's folder and so put the
  // archive where nobody named. 0: nothing climbs.
  void LimitClimbs(std::size_t climbs, std::string archives, std::string ini) {
    climbs_ = climbs;
    climbing_archives_ = std::move(archives);
    ini_ = std::move(ini);
  }

  // "CD": later relative names are taken against `windows_dir`. False when it names no folder.
  bool ChangeDirectory(std::string_view windows_dir);

  // The file `name` (Windows form, short aliases allowed) stands for, with its record where
  // `store` places it. No file when the name does not resolve to a file in an existing folder,
  // or when the store cannot place its record. `listings` lets the files of one command share
  // their folders' listings.
  Location Locate(std::string_view name, const Store& store, FolderListings& listings) const;
  Location Locate(std::string_view name, const Store& store) const {
    FolderListings listings;
    return Locate(name, store, listings);
  }

  // A file no store may treat as text (no keyword expansion, bytes kept): a companion file of a
  // form, designer or property page (.frx .ctx .dsx .pgx .dox), a resource file (.res), or a work
  // file holding a NUL byte. nullopt when the name does not say and the work file cannot be read.
  static std::optional<bool> IsBinary(const std::string& work);

 private:
  std::string Absolute(std::string_view name) const;
  // How many folders `folder` (POSIX) lies below the folder of its drive.
  std::size_t DepthBelowDrive(const std::string& folder) const;

  posix::PathResolver resolver_;
  std::string directory_;  // Windows form, from the last CD; "" before any
  std::size_t climbs_ = 0;
  std::string climbing_archives_;
  std::string ini_;
};

}  // namespace wnorb16
