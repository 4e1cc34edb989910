// Win32 for tests: existing paths, private-profile files and the module path, all in
// memory, with the buffer conventions of platform::Win32 kept to the character.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "platform/win32.hpp"
#include "tests/fakes/unexpected.hpp"

namespace fakes {

class FakeWin32 : public platform::Win32 {
 public:
  static constexpr long kModuleHandle = 0x400000;

  // An existing path (any case finds it) that is its own short form, and the directories above it.
  void AddPath(const std::string& path);

  // The add-in's module path; "C:\NORB\NORBVB5.EXE" until set.
  void SetModulePath(std::string path) { module_path_ = std::move(path); }
  // While failing, GetModuleFileNameA answers 0 and writes nothing.
  void SetModuleFileNameFailing(bool failing) { module_failing_ = failing; }

  long GetModuleHandleA(std::string_view module_name) override;
  long GetModuleFileNameA(long module, std::string& buffer, long size) override;
  long GetShortPathNameA(std::string_view long_path, std::string& buffer, long size) override;
  long GetPrivateProfileStringA(std::string_view section, std::string_view key,
                                std::string_view default_value, std::string& buffer, long size,
                                std::string_view file) override;
  long WritePrivateProfileStringA(std::string_view section, std::string_view key, std::string_view value,
                                  std::string_view file) override;

 private:
  std::map<std::string, std::string> paths_;  // upper-case path -> the path as added
  std::string module_path_ = "C:\\NORB\\NORBVB5.EXE";
  bool module_failing_ = false;
  // upper-case file name -> "SECTION\nKEY" -> value
  std::map<std::string, std::map<std::string, std::string>> profiles_;
};

// Copies `text` and a NUL into the start of `buffer`. A size larger than the buffer would let
// the real function write past the caller's string, so it is refused.
void WriteToBuffer(std::string& buffer, long size, std::string_view text, const char* function);

}  // namespace fakes
