// File queries for tests: Windows paths (any case) of plain files, in memory.
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
  // A plain file; the name keeps the case given here: Dir answers it whatever case the query uses.
  void AddFile(std::string path) { entries_[vb::UCase(path)] = std::move(path); }

  // No wildcards: the add-in asks only whether one file is there.
  std::string Dir(std::string_view path) override {
    auto e = entries_.find(vb::UCase(path));
    return e == entries_.end() ? "" : e->second.substr(e->second.rfind('\\') + 1);
  }
  int GetAttr(std::string_view path) override {
    if (!entries_.contains(vb::UCase(path))) vb::Raise(vb::err::FileNotFound);
    return platform::vbNormal;
  }

 private:
  std::map<std::string, std::string> entries_;  // upper-case path -> path
};

}  // namespace fakes
