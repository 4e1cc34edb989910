// Win32 for tests: existing paths and the module path in memory, with the buffer conventions of
// platform::Win32 kept to the character. The add-in's tests read no private profile here.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "platform/win32.hpp"
#include "tests/fakes/unexpected.hpp"
#include "vbrt/strings.hpp"

namespace fakes {

class FakeWin32 : public platform::Win32 {
 public:
  // An existing path (any case finds it) that is its own short form, and the directories above it;
  // "C:" alone is the drive's root, "C:\"; any deeper directory has no trailing "\".
  void AddPath(const std::string& path) {
    for (auto bar = path.find('\\'); bar != std::string::npos; bar = path.find('\\', bar + 1)) {
      std::string dir = path.substr(0, bar == 2 ? 3 : bar);
      paths_[vb::UCase(dir)] = dir;
    }
    paths_[vb::UCase(path)] = path;
  }
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
  long GetShortPathNameA(std::string_view long_path, std::string& buffer, long size) override {
    std::string key = vb::UCase(long_path);
    const bool trailing_bar = key.size() > 3 && key.back() == '\\';
    if (trailing_bar) key.pop_back();
    auto it = paths_.find(key);
    if (it == paths_.end()) return 0;
    const std::string short_form = it->second + (trailing_bar ? "\\" : "");
    const long needed = static_cast<long>(short_form.size()) + 1;
    if (needed > size) return needed;
    WriteToBuffer(buffer, size, short_form, "GetShortPathNameA");
    return needed - 1;
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

  std::map<std::string, std::string> paths_;  // upper-case path -> the path as added
  std::string module_path_ = "C:\\NORB\\NORBVB5.EXE";
  bool module_failing_ = false;
};

}  // namespace fakes
