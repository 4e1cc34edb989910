// A scratch folder of real files for one test, removed with everything in it afterwards, and
// the small file and environment helpers every suite uses with it.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace testing_support {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "norbvb5-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
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
    std::string file = *this / relative;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    std::ofstream(file, std::ios::binary) << contents;
    chmod(file.c_str(), mode);
    return file;
  }

  std::string MakeDir(const std::string& relative) const {
    std::filesystem::create_directories(*this / relative);
    return *this / relative;
  }

 private:
  std::string path_;
};

inline std::string Contents(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline mode_t Mode(const std::string& file) {
  struct stat st {};
  stat(file.c_str(), &st);
  return st.st_mode & 07777;
}

// Copies a sample tree, writable, as a checkout would have it.
inline void CopyTree(const std::string& from, const std::string& to) {
  std::filesystem::copy(from, to, std::filesystem::copy_options::recursive);
  for (auto& e : std::filesystem::recursive_directory_iterator(to)) {
    std::filesystem::permissions(e.path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
  }
}

// Restores an environment variable when the test is done with it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    had_ = std::getenv(name) != nullptr;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (had_) {
      setenv(name_.c_str(), old_.c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }

 private:
  std::string name_;
  std::string old_;
  bool had_ = false;
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
