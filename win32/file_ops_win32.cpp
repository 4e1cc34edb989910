#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cstdio>

#include "posix/file_ops.hpp"

namespace posix {

namespace {

std::string LastError() { return "Windows error " + std::to_string(GetLastError()); }

bool IsFile(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
         (attributes & FILE_ATTRIBUTE_DEVICE) == 0;
}

}  // namespace

bool IsRegularFile(const std::string& path) { return IsFile(GetFileAttributesA(path.c_str())); }

bool StatFollowing(const std::string& path, const std::optional<struct stat>& entry, struct stat& st) {
  if (entry) {
    st = *entry;
    return true;
  }
  return ::stat(path.c_str(), &st) == 0;
}

bool IsRegularFile(const std::string& path, const std::optional<struct stat>&) { return IsRegularFile(path); }

// Windows has one read-only attribute for everyone, so `clear` changes nothing here.
std::string SetReadOnly(const std::string& path, bool read_only, WriteBits) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastError();
  if (!IsFile(attributes)) return "not a regular file";
  attributes =
      read_only ? (attributes | FILE_ATTRIBUTE_READONLY) : (attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
  if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
  if (!SetFileAttributesA(path.c_str(), attributes)) return LastError();
  return {};
}

bool MakeFolders(const std::string& path) {
  if (path.empty()) return false;
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  auto slash = path.find_last_of("/\\");
  // "C:" and "C:/" are the drive's root, made by nobody.
  if (slash != std::string::npos && slash > 2 && !MakeFolders(path.substr(0, slash))) return false;
  return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::optional<std::string> MakeTempFolder(std::string_view prefix) {
  char temp[MAX_PATH + 1];
  DWORD n = GetTempPathA(sizeof temp, temp);
  if (n == 0 || n > MAX_PATH) return std::nullopt;
  std::string base(temp, n);
  for (char& c : base) {
    if (c == '\\') c = '/';
  }
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    std::string path = base + std::string(prefix) + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(GetTickCount() + attempt);
    if (CreateDirectoryA(path.c_str(), nullptr)) return path;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return std::nullopt;
  }
  return std::nullopt;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool RemoveEmptyFolder(const std::string& path) { return RemoveDirectoryA(path.c_str()) != 0; }

bool StandardOutputIsTerminal() { return _isatty(_fileno(stdout)) != 0; }

}  // namespace posix
