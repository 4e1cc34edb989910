#include "posix/win32_posix.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>

#include "posix/directory.hpp"
#include "posix/file_ops.hpp"
#include "posix/own_executable.hpp"
#include "posix/private_profile.hpp"
#include "posix/whole_file.hpp"
#include "vbrt/code_page.hpp"
#include "vbrt/error.hpp"

namespace posix {

namespace {

// The Windows convention: `text` cut to size - 1 characters and a NUL, never past the buffer's
// end; answers the characters written before the NUL.
long CopyToBuffer(std::string_view text, std::string& buffer, long size) {
  long capacity = std::min<long>(size, static_cast<long>(buffer.size()));
  if (capacity <= 0) return 0;
  long count = std::min<long>(static_cast<long>(text.size()), capacity - 1);
  std::copy_n(text.begin(), count, buffer.begin());
  buffer[static_cast<std::size_t>(count)] = '\0';
  return count;
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

std::string DefaultWindowsDirectory() {
  if (std::string windir = Environment("WINDIR"); !windir.empty()) return windir;
  return UserConfigFolder() + "/windows";
}

Win32Posix::Win32Posix(PathResolver resolver, std::string windows_directory, std::string add_in_path)
    : resolver_(std::move(resolver)),
      windows_directory_(std::move(windows_directory)),
      add_in_path_(std::move(add_in_path)) {}

long Win32Posix::GetModuleHandleA(std::string_view module_name) {
  return EqualsIgnoringCase(module_name, kAddInModuleName) ? kAddInModuleHandle : 0;
}

long Win32Posix::GetModuleFileNameA(long module, std::string& buffer, long size) {
  std::string path;
  if (module == kAddInModuleHandle) {
    path = add_in_path_;
  } else if (module == 0) {
    std::optional<std::string> executable = ExecutablePath();
    if (!executable) return 0;
    try {
      path = resolver_.ToWindows(*executable);
    } catch (const vb::Error&) {
      return 0;
    }
  }
  if (path.empty()) return 0;
  return CopyToBuffer(path, buffer, size);
}

long Win32Posix::GetShortPathNameA(std::string_view long_path, std::string& buffer, long size) {
  std::optional<std::string> short_path = resolver_.ToShort(long_path);
  if (!short_path) return 0;
  long needed = static_cast<long>(short_path->size()) + 1;
  if (needed > size || needed > static_cast<long>(buffer.size())) return needed;
  CopyToBuffer(*short_path, buffer, needed);
  return needed - 1;
}

std::string Win32Posix::ProfilePath(std::string_view file) const {
  if (file.find_first_of("\\/:") != std::string_view::npos) return resolver_.ToPosix(file);
  std::string name = vb::ActiveCodePage().ToUtf8(file);
  return JoinPath(windows_directory_, FindEntry(windows_directory_, name).value_or(name));
}

long Win32Posix::GetPrivateProfileStringA(std::string_view section, std::string_view key,
                                          std::string_view default_value, std::string& buffer, long size,
                                          std::string_view file) {
  // Windows drops the default's trailing blanks.
  std::string value(default_value.substr(0, default_value.find_last_not_of(' ') + 1));
  try {
    if (std::optional<std::string> text = ReadWholeFile(ProfilePath(file))) {
      if (std::optional<std::string> found = FindProfileValue(*text, section, key)) value = std::move(*found);
    }
  } catch (const vb::Error&) {
    // An unmapped drive: no file, so the default.
  }
  return CopyToBuffer(value, buffer, size);
}

long Win32Posix::WritePrivateProfileStringA(std::string_view section, std::string_view key,
                                            std::string_view value, std::string_view file) {
  try {
    std::string path = ProfilePath(file);
    if (IsReadOnly(path)) return 0;
    std::optional<std::string> text = ReadWholeFile(path);
    struct stat st;
    if (!text && stat(path.c_str(), &st) == 0) return 0;  // there, but not ours to read
    if (!text && file.find_first_of("\\/:") == std::string_view::npos) MakeFolders(windows_directory_);
    WriteWholeFile(path, SetProfileValue(text.value_or(""), section, key, value));
    return 1;
  } catch (const vb::Error&) {
    return 0;
  }
}

}  // namespace posix
