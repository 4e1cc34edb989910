// The runtime's Dir and GetAttr, answered by Windows.
#pragma once

#include <string>
#include <string_view>

#include "platform/file_system.hpp"

namespace win32 {

class FileSystemWin32 : public platform::FileSystem {
 public:
  // The first entry the path matches (wildcards as Windows takes them) that is neither a folder
  // nor hidden nor a system file, by its long name; "" when none is.
  std::string Dir(std::string_view path) override;
  // The file's attributes as Windows keeps them (read-only, hidden, system, folder, archive);
  // raises 53 when nothing is there.
  int GetAttr(std::string_view path) override;
};

}  // namespace win32
