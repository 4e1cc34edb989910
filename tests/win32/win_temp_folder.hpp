// A scratch folder under Windows' temporary folder for one test, removed afterwards with
// everything in it (read-only files included); and the test program's own folder.
#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
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
    MakeDir(relative.substr(0, relative.rfind('\\') + 1));
    const std::string file = *this / relative;
    if (!(std::ofstream(file, std::ios::binary) << contents))
      throw std::runtime_error("cannot write " + file);
    return file;
  }
  // Makes a folder with its parents; answers its path.
  std::string MakeDir(const std::string& relative) const {
    std::filesystem::create_directories(*this / relative);
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
