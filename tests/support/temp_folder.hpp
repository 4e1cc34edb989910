// A scratch folder of real files for one test, removed with everything in it afterwards, and
// the small file and environment helpers every suite uses with it.
#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>

#include "posix/file_ops.hpp"
#include "posix/whole_file.hpp"

namespace testing_support {

class TempFolder {
 public:
  TempFolder() {
    std::optional<std::string> made = posix::MakeTempFolder("norbvb5-test-");
    if (!made) throw std::runtime_error("cannot make a temporary folder");
    path_ = *made;
  }
  ~TempFolder() {
    std::error_code ec;
    // Read-only files and folders a test made must not keep their folder alive.
    for (auto& e : std::filesystem::recursive_directory_iterator(path_, ec)) {
      std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
    }
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

  // The Windows form under the default drive map (C: = /).
  std::string Windows(const std::string& relative = "") const {
    std::string windows = "C:" + path_ + (relative.empty() ? "" : "/" + relative);
    for (char& c : windows) c = c == '/' ? '\\' : c;
    return windows;
  }

  // Writes a file, making its folders; answers its path.
  std::string Write(const std::string& relative, const std::string& contents, mode_t mode = 0644) const {
    posix::MakeFolders(std::filesystem::path(*this / relative).parent_path());
    std::ofstream(*this / relative, std::ios::binary) << contents;
    chmod((*this / relative).c_str(), mode);
    return *this / relative;
  }

  std::string MakeDir(const std::string& relative) const {
    posix::MakeFolders(*this / relative);
    return *this / relative;
  }

 private:
  std::string path_;
};

inline std::string Contents(const std::string& file) { return posix::ReadWholeFile(file).value_or(""); }

inline mode_t Mode(const std::string& file) {
  return static_cast<mode_t>(std::filesystem::status(file).permissions() & std::filesystem::perms::mask);
}

// Copies a sample tree, writable, as a checkout would have it.
inline void CopyTree(const std::string& from, const std::string& to) {
  std::filesystem::copy(from, to, std::filesystem::copy_options::recursive);
  for (auto& e : std::filesystem::recursive_directory_iterator(to)) {
    std::filesystem::permissions(e.path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
  }
}

// Sets an environment variable (null: unsets it) and restores it when the test is done with it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value != nullptr ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedEnv() { old_ ? setenv(name_.c_str(), old_->c_str(), 1) : unsetenv(name_.c_str()); }

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Changes the current directory for one test.
class ScopedCwd {
 public:
  explicit ScopedCwd(const std::string& folder) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~ScopedCwd() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

}  // namespace testing_support
