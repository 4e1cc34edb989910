// File queries for tests: Windows paths (any case) with their attribute words, in memory.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "platform/file_system.hpp"

namespace fakes {

class FakeFileSystem : public platform::FileSystem {
 public:
  // The name keeps the case given here: Dir answers it whatever case the query uses.
  void AddFile(std::string path, int attributes = platform::vbNormal);

  std::string Dir(std::string_view path) override;
  int GetAttr(std::string_view path) override;

 private:
  struct Entry {
    std::string path;
    int attributes = 0;
  };
  Entry* Find(std::string_view path);
  std::map<std::string, Entry> entries_;  // upper-case path
};

}  // namespace fakes
