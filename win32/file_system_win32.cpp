#include <windows.h>

#include "vbrt/error.hpp"
#include "win32/file_system_win32.hpp"

namespace win32 {

namespace {

// The bits VB's GetAttr reports; Windows' own have the same values.
constexpr DWORD kReported = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                            FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE;
static_assert(FILE_ATTRIBUTE_READONLY == platform::vbReadOnly &&
              FILE_ATTRIBUTE_HIDDEN == platform::vbHidden && FILE_ATTRIBUTE_SYSTEM == platform::vbSystem &&
              FILE_ATTRIBUTE_DIRECTORY == platform::vbDirectory &&
              FILE_ATTRIBUTE_ARCHIVE == platform::vbArchive);

constexpr DWORD kNotFoundByDir = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

}  // namespace

std::string FileSystemWin32::Dir(std::string_view path) {
  if (path.empty() || path.back() == '\\' || path.back() == '/') return "";
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA(std::string(path).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return "";
  std::string name;
  do {
    if ((found.dwFileAttributes & kNotFoundByDir) == 0) {
      name = found.cFileName;
      break;
    }
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
  return name;
}

int FileSystemWin32::GetAttr(std::string_view path) {
  DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesA(std::string(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) vb::Raise(vb::err::FileNotFound);
  return static_cast<int>(attributes & kReported);
}

}  // namespace win32
