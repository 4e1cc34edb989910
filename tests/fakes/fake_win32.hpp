// Win32 for tests: the module path in memory, with the buffer conventions of platform::Win32 kept
// to the character. The add-in's tests on fakes ask for no short name and read no private profile
// (its short names are made by the real layer: tests/addin/file_names_test.cpp).
#pragma once

#include <string>
#include <string_view>

#include "platform/win32.hpp"
#include "tests/fakes/unexpected.hpp"
#include "vbrt/strings.hpp"

namespace fakes {

class FakeWin32 : public platform::Win32 {
 public:
  // The add-in's module path; "C:\NORB\NORBVB5.EXE" until set.
  void SetModulePath(std::string path) { module_path_ = std::move(path); }
  // While failing, GetModuleFileNameA answers 0 and writes nothing.
  void SetModuleFileNameFailing(bool failing) { module_failing_ = failing; }

  long GetModuleHandleA(std::string_view module_name) override {
    return vb::UCase(module_name) == "NORBVB5.EXE" ? kModuleHandle : 0;
  }
  long GetModuleFileNameA(long module, std::string& buffer, long size) override {
    if (module_failing_ || (module != 0 && module != kModuleHandle) || size <= 0) return 0;
    std::string_view text = std::string_view(module_path_).substr(0, static_cast<std::size_t>(size - 1));
    WriteToBuffer(buffer, size, text, "GetModuleFileNameA");
    return static_cast<long>(text.size());
  }
  long GetShortPathNameA(std::string_view long_path, std::string&, long) override {
    RefuseCall("GetShortPathNameA of " + std::string(long_path));
  }
  long GetPrivateProfileStringA(std::string_view, std::string_view, std::string_view, std::string&, long,
                                std::string_view file) override {
    RefuseCall("GetPrivateProfileStringA of " + std::string(file));
  }
  long WritePrivateProfileStringA(std::string_view, std::string_view, std::string_view,
                                  std::string_view file) override {
    RefuseCall("WritePrivateProfileStringA of " + std::string(file));
  }

 private:
  static constexpr long kModuleHandle = 0x400000;
  // Copies `text` and a NUL into the start of `buffer`. A VB string handed to the API has room for
  // its terminator too, so a size one past its length is still safe; anything larger would let
  // the real function write past the caller's string, so it is refused.
  static void WriteToBuffer(std::string& buffer, long size, std::string_view text, const char* function) {
    if (size < 0 || static_cast<std::size_t>(size) > buffer.size() + 1) {
      RefuseCall(std::string(function) + " was given size " + std::to_string(size) + " for a buffer of " +
                 std::to_string(buffer.size()) + " characters");
    }
    buffer.replace(0, text.size(), text);
    if (text.size() < buffer.size()) buffer[text.size()] = '\0';  // else it lands on the terminator
  }

  std::string module_path_ = "C:\\NORB\\NORBVB5.EXE";
  bool module_failing_ = false;
};

}  // namespace fakes
