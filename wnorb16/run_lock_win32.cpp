#include <windows.h>

#include "wnorb16/run_lock.hpp"

namespace wnorb16 {

std::string HostName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  if (!GetComputerNameA(name, &size)) return "?";
  return std::string(name, size);
}

bool ProcessEnded(long pid) {
  if (pid <= 0) return false;
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  // No such process any more; a process of another user's is refused, not ended.
  if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;
  const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

Taken TakeRunLock(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? Taken::kHeld : Taken::kCannot;
  }
  const std::string text = HostName() + " " + std::to_string(GetCurrentProcessId()) + "\n";
  DWORD written = 0;
  const bool whole = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                     written == text.size();
  CloseHandle(file);
  if (!whole) {
    DeleteFileA(path.c_str());
    return Taken::kCannot;
  }
  return Taken::kTaken;
}

void RemoveLockFile(const std::string& path) {
  // RCS leaves its lock file read-only.
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path.c_str());
}

}  // namespace wnorb16
