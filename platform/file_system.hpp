// Seam: the runtime's file queries (Dir, GetAttr) on Windows paths.
// Real: posix::FileSystemPosix.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Attribute bits as VB's GetAttr reports them.
inline constexpr int vbNormal = 0;
inline constexpr int vbReadOnly = 1;
inline constexpr int vbHidden = 2;
inline constexpr int vbSystem = 4;
inline constexpr int vbDirectory = 16;
inline constexpr int vbArchive = 32;

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Dir(path): the file's own name when `path` names an existing normal file, else "".
  // Directories, hidden and system files are not found.
  virtual std::string Dir(std::string_view path) = 0;
  // GetAttr(path): the attribute word; raises 53 when nothing is there.
  virtual int GetAttr(std::string_view path) = 0;
};

}  // namespace platform
