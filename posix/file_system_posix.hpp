// The runtime's Dir and GetAttr on Windows paths, answered from the POSIX disk.
#pragma once

#include <string>
#include <string_view>

#include "platform/file_system.hpp"
#include "posix/path_resolver.hpp"

namespace posix {

class FileSystemPosix : public platform::FileSystem {
 public:
  explicit FileSystemPosix(PathResolver resolver = PathResolver());

  // The file's on-disk name when `path` names a regular file whose name does not begin with ".".
  std::string Dir(std::string_view path) override;
  // vbReadOnly when the owner's write bit is clear, vbHidden for a name beginning with ".",
  // vbDirectory for a folder. Raises 53 when nothing is there.
  int GetAttr(std::string_view path) override;

 private:
  PathResolver resolver_;
};

}  // namespace posix
