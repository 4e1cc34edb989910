// A file's bytes as the Windows tests read them back, "<missing>" for none. Shared for writing,
// so a file a running engine still holds open reads too.
#pragma once

#include <windows.h>

#include <string>

namespace win32_test {

inline std::string Read(const std::string& path) {
  std::string bytes;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  char buffer[4096];
  DWORD n = 0;
  while (ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
  CloseHandle(file);
  return bytes;
}

}  // namespace win32_test
