// Win32 for tests: paths and short names, private-profile files and the module path, all in
// memory, with the buffer conventions of platform::Win32 kept to the character.
#pragma once

#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.hpp"
#include "tests/fakes/unexpected.hpp"

namespace fakes {

struct ProfileRead {
  std::string file;
  std::string section;
  std::string key;
  std::string value;  // what went into the buffer before the NUL
  bool operator==(const ProfileRead&) const = default;
};
std::ostream& operator<<(std::ostream& out, const ProfileRead& read);

struct ProfileWrite {
  std::string file;
  std::string section;
  std::string key;
  std::string value;
  bool ok = true;
  bool operator==(const ProfileWrite&) const = default;
};
std::ostream& operator<<(std::ostream& out, const ProfileWrite& write);

class FakeWin32 : public platform::Win32 {
 public:
  static constexpr long kModuleHandle = 0x400000;

  // An existing path (any case finds it) and its short form; the short form finds it too. The
  // directories above it exist as well, with the short form's leading components.
  void AddShortName(std::string long_path, std::string short_path);
  // An existing path that is its own short form.
  void AddPath(std::string path) { AddShortName(path, path); }
  void RemovePath(std::string_view path);

  // The add-in's module path; "C:\NORB\NORBVB5.EXE" until set.
  void SetModulePath(std::string path) { module_path_ = std::move(path); }
  // While failing, GetModuleFileNameA answers 0 and writes nothing.
  void SetModuleFileNameFailing(bool failing) { module_failing_ = failing; }

  // Where a profile file named without a directory lives; "C:\WINDOWS" until set.
  void SetWindowsDirectory(std::string dir) { windows_dir_ = std::move(dir); }
  // The test's own arrangement of profile files: not recorded.
  void SetProfile(std::string_view file, std::string_view section, std::string_view key, std::string value);
  std::optional<std::string> Profile(std::string_view file, std::string_view section,
                                     std::string_view key) const;
  // A read-only file refuses writes: WritePrivateProfileStringA answers 0.
  void SetProfileReadOnly(std::string_view file, bool read_only);
  const std::vector<ProfileRead>& profile_reads() const { return reads_; }
  const std::vector<ProfileWrite>& profile_writes() const { return writes_; }

  long GetModuleHandleA(std::string_view module_name) override;
  long GetModuleFileNameA(long module, std::string& buffer, long size) override;
  long GetShortPathNameA(std::string_view long_path, std::string& buffer, long size) override;
  long GetPrivateProfileStringA(std::string_view section, std::string_view key,
                                std::string_view default_value, std::string& buffer, long size,
                                std::string_view file) override;
  long WritePrivateProfileStringA(std::string_view section, std::string_view key, std::string_view value,
                                  std::string_view file) override;

 private:
  struct PathEntry {
    std::string short_form;
    bool inferred = false;
  };
  struct ProfileFile {
    bool read_only = false;
    std::map<std::string, std::map<std::string, std::string>> sections;  // upper-case names
  };

  void AddPathEntry(const std::string& long_path, const std::string& short_path, bool inferred);
  std::string ProfileKey(std::string_view file) const;

  std::map<std::string, PathEntry> paths_;  // upper-case path -> short form
  std::string module_path_ = "C:\\NORB\\NORBVB5.EXE";
  bool module_failing_ = false;
  std::string windows_dir_ = "C:\\WINDOWS";
  std::map<std::string, ProfileFile> profiles_;  // upper-case full file name
  std::vector<ProfileRead> reads_;
  std::vector<ProfileWrite> writes_;
};

// Copies `text` and a NUL into the start of `buffer`. A size larger than the buffer would let
// the real function write past the caller's string, so it is refused.
void WriteToBuffer(std::string& buffer, long size, std::string_view text, const char* function);

}  // namespace fakes
