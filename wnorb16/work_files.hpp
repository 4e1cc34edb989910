// Where a file named in a command is on disk, and where its archive is.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "posix/path_resolver.hpp"

namespace wnorb16 {

struct WorkFile {
  std::string received;        // as the command named it
  std::string work;            // POSIX path of the work file (it may not exist)
  std::string archive_folder;  // POSIX folder of the archive
  std::string archive;         // POSIX path of the ",v" file
  bool has_archive = false;
};

class WorkFiles {
 public:
  explicit WorkFiles(posix::PathResolver resolver) : resolver_(std::move(resolver)) {}

  // "CD": later relative names are taken against `windows_dir`. False when it names no folder.
  bool ChangeDirectory(std::string_view windows_dir);

  // The file `name` (Windows form, short aliases allowed) stands for, with its archive under
  // the Archives setting `archives`: "" for RCS's own rule (the RCS folder beside the work file
  // when there is one, else beside the file), otherwise a Windows folder, relative ones taken
  // against the work file's folder. nullopt when the name does not resolve to a file in an
  // existing folder.
  std::optional<WorkFile> Locate(std::string_view name, std::string_view archives) const;

  // RCS's own lock file of an archive, which exists while RCS rewrites it.
  static std::string RcsLockFile(const WorkFile& file);

  const posix::PathResolver& resolver() const { return resolver_; }

 private:
  std::string Absolute(std::string_view name) const;

  posix::PathResolver resolver_;
  std::string directory_;  // Windows form, from the last CD; "" before any
};

}  // namespace wnorb16
