// The Windows API functions the add-in declares, over POSIX: module paths, short path names,
// private-profile files.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32.hpp"
#include "posix/path_resolver.hpp"

namespace posix {

// The add-in's module name, as GetModuleHandleA knows it.
inline constexpr std::string_view kAddInModuleName = "NORBVB5.EXE";
// The handle GetModuleHandleA answers for it.
inline constexpr long kAddInModuleHandle = 0x11000000;

// WINDIR when set, else ${XDG_CONFIG_HOME:-$HOME/.config}/norbvb5/windows.
std::string DefaultWindowsDirectory();

class Win32Posix : public platform::Win32 {
 public:
  // `windows_directory` is a POSIX folder, created on the first profile write that needs it.
  // `add_in_path` is the Windows path of NORBVB5.EXE in the folder the add-in was installed from.
  explicit Win32Posix(PathResolver resolver = PathResolver(),
                      std::string windows_directory = DefaultWindowsDirectory(),
                      std::string add_in_path = "");

  void SetAddInPath(std::string windows_path) { add_in_path_ = std::move(windows_path); }

  long GetModuleHandleA(std::string_view module_name) override;
  long GetModuleFileNameA(long module, std::string& buffer, long size) override;
  long GetShortPathNameA(std::string_view long_path, std::string& buffer, long size) override;
  long GetPrivateProfileStringA(std::string_view section, std::string_view key,
                                std::string_view default_value, std::string& buffer, long size,
                                std::string_view file) override;
  long WritePrivateProfileStringA(std::string_view section, std::string_view key, std::string_view value,
                                  std::string_view file) override;

 private:
  // The POSIX path of a profile file; a bare name lives in the Windows directory.
  std::string ProfilePath(std::string_view file) const;

  PathResolver resolver_;
  std::string windows_directory_;
  std::string add_in_path_;
};

}  // namespace posix
