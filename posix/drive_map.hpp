// Drive letters of the Windows path namespace, each mapped onto a POSIX folder.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace posix {

class DriveMap {
 public:
  // C: = /.
  DriveMap();
  // "C:=/;D:=/mnt/data": letters in any case, folders absolute. Throws std::invalid_argument on a
  // malformed entry; a later entry for a letter replaces an earlier one.
  static DriveMap Parse(std::string_view text);
  // NORB_DRIVES, or the default when it is unset or empty.
  static DriveMap FromEnvironment();

  // The folder of drive `letter` (any case); nullopt when the drive is not mapped.
  std::optional<std::string> Folder(char letter) const;
  // The drive whose folder is the longest prefix of the absolute, normalised `posix_path`, and
  // the rest of the path after that folder ("" or starting without a slash).
  struct Match {
    char letter;
    std::string rest;
  };
  std::optional<Match> DriveOf(std::string_view posix_path) const;

  const std::map<char, std::string>& drives() const { return drives_; }

 private:
  std::map<char, std::string> drives_;  // upper-case letter -> folder without trailing slash
};

// "" when NORB_DRIVES is unset, empty or well formed and, where `folder` (absolute, POSIX) is
// given, puts it on a drive; else what is wrong, naming the setting, for a program to refuse to
// start with. `whose` says what the folder is ("vbhost's own folder").
std::string DriveSettingProblem(std::string_view folder = {}, std::string_view whose = {});

}  // namespace posix
