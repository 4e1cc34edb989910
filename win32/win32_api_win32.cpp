#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "win32/win32_api.hpp"

namespace win32 {

namespace {

// The caller's size, never past the end of the string it handed as the buffer.
DWORD Capacity(const std::string& buffer, long size) {
  return static_cast<DWORD>(std::clamp<long>(size, 0, static_cast<long>(buffer.size())));
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

}  // namespace

long Win32Api::GetModuleHandleA(std::string_view module_name) {
  if (HMODULE loaded = ::GetModuleHandleA(std::string(module_name).c_str())) {
    return static_cast<long>(reinterpret_cast<std::intptr_t>(loaded));
  }
  return EqualsIgnoringCase(module_name, kAddInModuleName) ? kAddInModuleHandle : 0;
}

long Win32Api::GetModuleFileNameA(long module, std::string& buffer, long size) {
  DWORD capacity = Capacity(buffer, size);
  if (module == kAddInModuleHandle) {
    if (add_in_path_.empty() || capacity == 0) return 0;
    long count = std::min<long>(static_cast<long>(add_in_path_.size()), static_cast<long>(capacity) - 1);
    std::copy_n(add_in_path_.begin(), count, buffer.begin());
    buffer[static_cast<std::size_t>(count)] = '\0';
    return count;
  }
  HMODULE handle = reinterpret_cast<HMODULE>(static_cast<std::intptr_t>(module));
  return static_cast<long>(::GetModuleFileNameA(handle, buffer.data(), capacity));
}

long Win32Api::GetShortPathNameA(std::string_view long_path, std::string& buffer, long size) {
  return static_cast<long>(
      ::GetShortPathNameA(std::string(long_path).c_str(), buffer.data(), Capacity(buffer, size)));
}

std::string Win32Api::ProfileFile(std::string_view file) const {
  if (windows_directory_.empty() || file.find_first_of("\\/:") != std::string_view::npos)
    return std::string(file);
  std::string folder = windows_directory_;
  if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder + std::string(file);
}

long Win32Api::GetPrivateProfileStringA(std::string_view section, std::string_view key,
                                        std::string_view default_value, std::string& buffer, long size,
                                        std::string_view file) {
  return static_cast<long>(::GetPrivateProfileStringA(std::string(section).c_str(), std::string(key).c_str(),
                                                      std::string(default_value).c_str(), buffer.data(),
                                                      Capacity(buffer, size), ProfileFile(file).c_str()));
}

long Win32Api::WritePrivateProfileStringA(std::string_view section, std::string_view key,
                                          std::string_view value, std::string_view file) {
  std::string path = ProfileFile(file);
  if (path.size() != file.size()) ::CreateDirectoryA(windows_directory_.c_str(), nullptr);
  return ::WritePrivateProfileStringA(std::string(section).c_str(), std::string(key).c_str(),
                                      std::string(value).c_str(), path.c_str());
}

}  // namespace win32
