#include "tests/fakes/fake_win32.hpp"

#include <algorithm>

#include "vbrt/strings.hpp"

namespace fakes {

namespace {

// A VB string handed to the API has room for its terminator too, so a size one past its length
// is still safe; anything larger would let the call write past the caller's string.
void CheckBuffer(const std::string& buffer, long size, const char* function) {
  if (size < 0 || static_cast<std::size_t>(size) > buffer.size() + 1) {
    RefuseCall(std::string(function) + " was given size " + std::to_string(size) + " for a buffer of " +
               std::to_string(buffer.size()) + " characters");
  }
}

}  // namespace

void WriteToBuffer(std::string& buffer, long size, std::string_view text, const char* function) {
  CheckBuffer(buffer, size, function);
  buffer.replace(0, text.size(), text);
  if (text.size() < buffer.size()) buffer[text.size()] = '\0';  // else it lands on the terminator
}

void FakeWin32::AddPath(const std::string& path) {
  // "C:" alone is the drive's root, "C:\"; any deeper directory has no trailing "\".
  for (auto bar = path.find('\\'); bar != std::string::npos; bar = path.find('\\', bar + 1)) {
    std::string dir = path.substr(0, bar == 2 ? 3 : bar);
    paths_[vb::UCase(dir)] = dir;
  }
  paths_[vb::UCase(path)] = path;
}

long FakeWin32::GetModuleHandleA(std::string_view module_name) {
  return vb::UCase(module_name) == "NORBVB5.EXE" ? kModuleHandle : 0;
}

long FakeWin32::GetModuleFileNameA(long module, std::string& buffer, long size) {
  CheckBuffer(buffer, size, "GetModuleFileNameA");
  if (module_failing_ || (module != 0 && module != kModuleHandle) || size == 0) return 0;
  std::string_view text = std::string_view(module_path_).substr(0, static_cast<std::size_t>(size - 1));
  WriteToBuffer(buffer, size, text, "GetModuleFileNameA");
  return static_cast<long>(text.size());
}

long FakeWin32::GetShortPathNameA(std::string_view long_path, std::string& buffer, long size) {
  CheckBuffer(buffer, size, "GetShortPathNameA");
  std::string key = vb::UCase(long_path);
  bool trailing_bar = key.size() > 3 && key.back() == '\\';
  if (trailing_bar) key.pop_back();
  auto it = paths_.find(key);
  if (it == paths_.end()) return 0;
  std::string short_form = it->second;
  if (trailing_bar) short_form += '\\';
  long needed = static_cast<long>(short_form.size()) + 1;
  if (needed > size) return needed;
  WriteToBuffer(buffer, size, short_form, "GetShortPathNameA");
  return needed - 1;
}

long FakeWin32::GetPrivateProfileStringA(std::string_view section, std::string_view key,
                                         std::string_view default_value, std::string& buffer, long size,
                                         std::string_view file) {
  CheckBuffer(buffer, size, "GetPrivateProfileStringA");
  const auto& profile = profiles_[vb::UCase(file)];
  auto found = profile.find(vb::UCase(section) + "\n" + vb::UCase(key));
  std::string value = found != profile.end() ? found->second : std::string(default_value);
  if (size == 0) value.clear();
  if (size > 0 && static_cast<long>(value.size()) > size - 1)
    value.resize(static_cast<std::size_t>(size - 1));
  if (size > 0) WriteToBuffer(buffer, size, value, "GetPrivateProfileStringA");
  return static_cast<long>(value.size());
}

long FakeWin32::WritePrivateProfileStringA(std::string_view section, std::string_view key,
                                           std::string_view value, std::string_view file) {
  profiles_[vb::UCase(file)][vb::UCase(section) + "\n" + vb::UCase(key)] = std::string(value);
  return 1;
}

}  // namespace fakes
