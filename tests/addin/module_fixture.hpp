// A MainModule on fakes, optionally with the real Windows API layer over temporary folders.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "addin/main_module.hpp"
#include "posix/win32_posix.hpp"
#include "tests/fakes/fake_services.hpp"

namespace addin_test {

class TempDir {
 public:
  TempDir() {
    std::string pattern = "/tmp/norbvb5-test-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  // The Windows form of a path below the folder (C: is /).
  std::string Win(const std::string& rest = "") const {
    std::string w = "C:" + path_ + (rest.empty() ? "" : "/" + rest);
    for (auto& c : w) {
      if (c == '/') c = '\\';
    }
    return w;
  }
  // Creates a file (and its folders) below the folder; answers its Windows path.
  std::string Touch(const std::string& rest) const {
    std::filesystem::path p = std::filesystem::path(path_) / rest;
    std::filesystem::create_directories(p.parent_path());
    std::FILE* f = std::fopen(p.c_str(), "w");
    if (f) std::fclose(f);
    return Win(rest);
  }

 private:
  std::string path_;
};

// The module on fakes; `real_win32` swaps in the POSIX Windows API layer.
struct ModuleFixture {
  explicit ModuleFixture(bool real_win32 = false) {
    platform::Win32& win32 = real_win32 ? static_cast<platform::Win32&>(posix_win32) : fake.win32;
    m = norb::StartProcess({win32, fake.files, fake.shell, fake.desktop, fake.clipboard, fake.ui, fake.dde}, "C:\\VB");
  }
  fakes::FakeServices fake;
  posix::Win32Posix posix_win32{posix::PathResolver(posix::DriveMap::Parse("C:=/")), "/tmp"};
  std::shared_ptr<norb::MainModule> m;
};

inline int ErrorNumber(auto&& f) {
  try {
    f();
  } catch (const vb::Error& e) {
    return e.number();
  }
  return 0;
}

}  // namespace addin_test
