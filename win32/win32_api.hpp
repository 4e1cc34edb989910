// The Windows API functions the add-in declares, passed to Windows itself with their buffer
// conventions: the caller's buffer and size go through as they are.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32.hpp"

namespace win32 {

// The add-in's module name, as GetModuleHandleA knows it.
inline constexpr std::string_view kAddInModuleName = "NORBVB5.EXE";

class Win32Api : public platform::Win32 {
 public:
  // `add_in_path` is the Windows path of NORBVB5.EXE: where the add-in runs inside another
  // program, its module is not loaded as a file of its own, and the handle GetModuleHandleA
  // gives for its name stands for this path. `windows_directory`, when given, stands for
  // Windows' own directory: a profile file named without a folder (no "\", "/" or ":") is
  // read and written there, the folder made for the first write, as a host with a Windows
  // directory of its own (vbhost's, a test's) needs.
  explicit Win32Api(std::string add_in_path = "", std::string windows_directory = "")
      : add_in_path_(std::move(add_in_path)), windows_directory_(std::move(windows_directory)) {}

  void SetAddInPath(std::string windows_path) { add_in_path_ = std::move(windows_path); }

  // A loaded module's handle; for the add-in's own name, when it is not loaded as a module of its
  // own, the add-in's stand-in handle.
  long GetModuleHandleA(std::string_view module_name) override;
  long GetModuleFileNameA(long module, std::string& buffer, long size) override;
  long GetShortPathNameA(std::string_view long_path, std::string& buffer, long size) override;
  long GetPrivateProfileStringA(std::string_view section, std::string_view key,
                                std::string_view default_value, std::string& buffer, long size,
                                std::string_view file) override;
  long WritePrivateProfileStringA(std::string_view section, std::string_view key, std::string_view value,
                                  std::string_view file) override;

  // The stand-in handle: odd, so no loaded module (always aligned) can have it.
  static constexpr long kAddInModuleHandle = 0x11000001;

 private:
  // The file Windows is given for a profile file the add-in names.
  std::string ProfileFile(std::string_view file) const;

  std::string add_in_path_;
  std::string windows_directory_;
};

}  // namespace win32
