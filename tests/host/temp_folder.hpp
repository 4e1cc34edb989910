// A temporary folder for one test, removed with everything in it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace testing_support {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "norbvb5-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    // Read-only files a test made must not keep their folder alive.
    for (auto& e : std::filesystem::recursive_directory_iterator(path_, ec)) {
      std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    }
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& rest) const { return path_ + "/" + rest; }

 private:
  std::string path_;
};

// The shared sample corpus beside the checkout, when there is one.
inline std::string CorpusFolder() {
  std::filesystem::path p = std::filesystem::path(NORB_SOURCE_DIR) / ".." / "shared" / "corpus";
  return std::filesystem::is_directory(p) ? std::filesystem::canonical(p).string() : std::string();
}

inline void CopyTree(const std::string& from, const std::string& to) {
  std::filesystem::copy(from, to, std::filesystem::copy_options::recursive);
  for (auto& e : std::filesystem::recursive_directory_iterator(to)) {
    std::filesystem::permissions(e.path(), std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
  }
}

}  // namespace testing_support
