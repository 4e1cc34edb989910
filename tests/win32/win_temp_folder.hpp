// A scratch folder under Windows' temporary folder for one test, removed afterwards with
// everything in it (read-only files included).
#pragma once

#include <windows.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace testing_support {

class WinTempFolder {
 public:
  WinTempFolder() {
    char temp[MAX_PATH + 1];
    DWORD length = ::GetTempPathA(sizeof temp, temp);
    if (length == 0 || length > MAX_PATH) throw std::runtime_error("no temporary folder");
    path_ = std::string(temp) + "norbvb5-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(::GetTickCount()) + "-" + std::to_string(serial_++);
    if (!::CreateDirectoryA(path_.c_str(), nullptr)) throw std::runtime_error("cannot make " + path_);
  }
  ~WinTempFolder() {
    std::error_code ec;
    for (auto& e : std::filesystem::recursive_directory_iterator(path_, ec)) {
      ::SetFileAttributesA(e.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    std::filesystem::remove_all(path_, ec);
  }
  WinTempFolder(const WinTempFolder&) = delete;
  WinTempFolder& operator=(const WinTempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

  // Writes a file (its folder must exist); answers its path.
  std::string Write(const std::string& relative, const std::string& contents) const {
    std::string file = *this / relative;
    HANDLE h =
        ::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write " + file);
    DWORD written = 0;
    ::WriteFile(h, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
    ::CloseHandle(h);
    return file;
  }
  std::string MakeDir(const std::string& relative) const {
    std::string folder = *this / relative;
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
  }

 private:
  static inline int serial_ = 0;
  std::string path_;
};

}  // namespace testing_support
