// The Windows path namespace over POSIX: the one place where "C:\PROJ\FORM1.FRM" becomes a POSIX
// path and back. Windows looks names up without regard to case and accepts short aliases; so
// does this, against the disk, one component at a time.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "posix/drive_map.hpp"

namespace posix {

// The longest path the resolver takes, in characters: four times Windows' own 32,767, so no path
// Windows could name is refused, and one far beyond it costs nothing before it is.
inline constexpr std::size_t kMaxPathLength = 4 * 32767;

class PathResolver {
 public:
  explicit PathResolver(DriveMap drives = DriveMap::FromEnvironment());

  // The path's names are in the active code page (vbrt/code_page.hpp); POSIX names are UTF-8.
  // "\" and "/" both separate; "." and ".." are resolved lexically; a path without a drive or
  // root is taken against the current directory. Each component becomes the on-disk name it
  // stands for (exact, then case-insensitive, then alias); a component that names nothing is kept
  // as given, so new files can be named. Raises 76 for a drive that is not mapped, 52 for a
  // path longer than kMaxPathLength or holding a NUL (POSIX would cut the name there). Its cost
  // is linear in the path's length.
  std::string ToPosix(std::string_view windows_path) const;
  // The same; `entry` gets what lstat found at the result when the whole path was on disk as
  // spelled (the common case), else nothing: a caller then needs no second walk of the path.
  std::string ToPosix(std::string_view windows_path, std::optional<struct stat>& entry) const;

  // By the drive with the longest folder prefix. Relative paths are taken against the current
  // directory. Names come in the active code page; one it cannot spell comes by its short alias,
  // as Windows hands such names to programs of a code page. Raises 76 when no drive holds the path,
  // 52 as ToPosix does.
  std::string ToWindows(std::string_view posix_path) const;

  // The short form of an existing path: drive letter as given (the current drive's when none is),
  // each component its short name, a trailing "\" kept. Names come in the active code page, as
  // for ToPosix; the short form is ASCII. nullopt when the path does not exist or ToPosix would
  // refuse it.
  std::optional<std::string> ToShort(std::string_view windows_path) const;

  const DriveMap& drives() const { return drives_; }

 private:
  struct Located {
    char drive = '\0';                    // '\0' when the current directory lies outside every drive
    std::string root;                     // the drive's folder
    std::vector<std::string> components;  // below the root, "." and ".." resolved
  };
  Located Locate(std::string_view windows_path) const;

  DriveMap drives_;
};

// The current directory; "/" when it cannot be had.
std::string CurrentDirectory();

// The folder that holds the file `path` names (a path of the system's own), made absolute
// against the current directory.
std::string FolderOfFile(std::string_view path);

}  // namespace posix
