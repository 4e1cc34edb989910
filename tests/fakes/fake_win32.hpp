// Win32 for tests: existing paths and the module path in memory, with the buffer conventions of
// platform::Win32 kept to the character. The add-in's tests read no private profile here.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "platform/win32.hpp"
#include "tests/fakes/unexpected.hpp"

namespace fakes {

class FakeWin32 : public platform::Win32 {
 public:
  // An existing path (any case finds it) that is its own short form, and the directories above it.
  void AddPath(const std::string& path);

  // The add-in's module path; "C:\NORB\NORBVB5.EXE" until set.
  void SetModulePath(std::string path) { module_path_ = std::move(path); }
  // While failing, GetModuleFileNameA answers 0 and writes nothing.
  void SetModuleFileNameFailing(bool failing) { module_failing_ = failing; }

  long GetModuleHandleA(std::string_view module_name) override;
  long GetModuleFileNameA(long module, std::string& buffer, long size) override;
  long GetShortPathNameA(std::string_view long_path, std::string& buffer, long size) override;
  long GetPrivateProfileStringA(std::string_view, std::string_view, std::string_view, std::string&, long,
                                std::string_view file) override {
    RefuseCall("GetPrivateProfileStringA of " + std::string(file));
  }
  long WritePrivateProfileStringA(std::string_view, std::string_view, std::string_view,
                                  std::string_view file) override {
    RefuseCall("WritePrivateProfileStringA of " + std::string(file));
  }

 private:
  std::map<std::string, std::string> paths_;  // upper-case path -> the path as added
  std::string module_path_ = "C:\\NORB\\NORBVB5.EXE";
  bool module_failing_ = false;
};

}  // namespace fakes
