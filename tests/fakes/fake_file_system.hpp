// File queries for tests: Windows paths (any case) with their attribute words, in memory.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "platform/file_system.hpp"
#include "vbrt/error.hpp"
#include "vbrt/strings.hpp"

namespace fakes {

class FakeFileSystem : public platform::FileSystem {
 public:
  // The name keeps the case given here: Dir answers it whatever case the query uses.
  void AddFile(std::string path, int attributes = platform::vbNormal) {
    auto key = vb::UCase(path);
    entries_[key] = {std::move(path), attributes};
  }

  // No wildcards: the add-in asks only whether one file is there.
  std::string Dir(std::string_view path) override {
    auto e = entries_.find(vb::UCase(path));
    if (e == entries_.end() || (e->second.second & (platform::vbDirectory | platform::vbHidden)) != 0)
      return "";
    return e->second.first.substr(e->second.first.rfind('\\') + 1);
  }
  int GetAttr(std::string_view path) override {
    auto e = entries_.find(vb::UCase(path));
    if (e == entries_.end()) vb::Raise(vb::err::FileNotFound);
    return e->second.second;
  }

 private:
  std::map<std::string, std::pair<std::string, int>> entries_;  // upper-case path -> path, attributes
};

}  // namespace fakes
