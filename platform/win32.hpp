// Seam: the Windows API functions the add-in declares, with their buffer conventions kept:
// the caller hands a string as the buffer and its size; results are read back from the buffer.
// Real: posix::Win32Posix (Windows paths over POSIX, short-name aliases, INI files).
#pragma once

#include <string>
#include <string_view>

namespace platform {

class Win32 {
 public:
  virtual ~Win32() = default;

  // Nonzero for the add-in's own module name (any case), 0 for any other name.
  virtual long GetModuleHandleA(std::string_view module_name) = 0;
  // Writes the module's full Windows path and a NUL into `buffer`, cut to size - 1 characters;
  // answers the number of characters written before the NUL, 0 on failure. Handle 0 names the
  // running executable: the host's own when the add-in runs in-process.
  virtual long GetModuleFileNameA(long module, std::string& buffer, long size) = 0;
  // Writes the short form of an existing path and a NUL into `buffer` when both fit in `size`;
  // answers the short form's length, the size needed when it does not fit (nothing written),
  // or 0 when the path does not exist (nothing written).
  virtual long GetShortPathNameA(std::string_view long_path, std::string& buffer, long size) = 0;
  // Private-profile (INI) files. A file name without a directory lives in the Windows directory.
  // The value (or `default_value`) and a NUL go into `buffer`, cut to size - 1 characters;
  // answers the number of characters written before the NUL.
  virtual long GetPrivateProfileStringA(std::string_view section, std::string_view key,
                                        std::string_view default_value, std::string& buffer, long size,
                                        std::string_view file) = 0;
  // Nonzero on success; 0 when the file is read-only or cannot be written.
  virtual long WritePrivateProfileStringA(std::string_view section, std::string_view key,
                                          std::string_view value, std::string_view file) = 0;
};

}  // namespace platform
