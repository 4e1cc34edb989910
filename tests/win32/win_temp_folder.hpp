// A scratch folder under Windows' temporary folder for one test, removed afterwards with
// everything in it (read-only files included); and the test program's own folder.
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

  // Writes a file, making its folders; answers its path.
  std::string Write(const std::string& relative, const std::string& contents) const {
    if (const auto slash = relative.rfind('\\'); slash != std::string::npos)
      MakeDir(relative.substr(0, slash));
    std::string file = *this / relative;
    HANDLE h =
        ::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write " + file);
    DWORD written = 0;
    ::WriteFile(h, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
    ::CloseHandle(h);
    return file;
  }
  // Makes a folder with its parents; answers its path.
  std::string MakeDir(const std::string& relative) const {
    for (auto slash = relative.find('\\'); slash != std::string::npos; slash = relative.find('\\', slash + 1))
      ::CreateDirectoryA((*this / relative.substr(0, slash)).c_str(), nullptr);
    ::CreateDirectoryA((*this / relative).c_str(), nullptr);
    return *this / relative;
  }

 private:
  static inline int serial_ = 0;
  std::string path_;
};

// The folder of the running test program (tests\bin in the build), with `name` after it.
inline std::string BesideTheTest(const std::string& name) {
  char own[MAX_PATH];
  const std::string path(own, ::GetModuleFileNameA(nullptr, own, MAX_PATH));
  return path.substr(0, path.rfind('\\') + 1) + name;
}

}  // namespace testing_support
