#include "tests/fakes/fake_file_system.hpp"

#include "tests/fakes/unexpected.hpp"
#include "vbrt/error.hpp"
#include "vbrt/strings.hpp"

namespace fakes {

void FakeFileSystem::AddFile(std::string path, int attributes) {
  auto key = vb::UCase(path);
  entries_[key] = Entry{std::move(path), attributes};
}

FakeFileSystem::Entry* FakeFileSystem::Find(std::string_view path) {
  auto it = entries_.find(vb::UCase(path));
  return it == entries_.end() ? nullptr : &it->second;
}

std::string FakeFileSystem::Dir(std::string_view path) {
  if (path.find_first_of("*?") != std::string_view::npos) {
    RefuseCall("Dir with a wildcard is not faked: " + std::string(path));
  }
  Entry* e = Find(path);
  if (e == nullptr || (e->attributes & (platform::vbDirectory | platform::vbHidden)) != 0) return "";
  auto bar = e->path.rfind('\\');
  return bar == std::string::npos ? e->path : e->path.substr(bar + 1);
}

int FakeFileSystem::GetAttr(std::string_view path) {
  Entry* e = Find(path);
  if (e == nullptr) vb::Raise(vb::err::FileNotFound);
  return e->attributes;
}

}  // namespace fakes
