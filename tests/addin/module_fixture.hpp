// A MainModule on fakes, optionally with the real Windows API layer: the POSIX one over temporary
// folders, or in the Windows build Windows' own.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "addin/main_module.hpp"
#include "tests/fakes/fake_services.hpp"
#ifdef _WIN32
#include "win32/win32_api.hpp"
#else
#include "posix/win32_posix.hpp"
#include "tests/support/temp_folder.hpp"
#endif

namespace testing_support {

// The module on fakes; `real_win32` swaps in the real Windows API layer.
struct ModuleFixture {
  explicit ModuleFixture(bool real_win32 = false) {
    platform::Win32& win32 = real_win32 ? static_cast<platform::Win32&>(real_api) : fake.win32;
    m = norb::StartProcess({win32, fake.files, fake.shell, fake.desktop, fake.clipboard, fake.ui, fake.links},
                           "C:\\VB");
  }
  fakes::FakeServices fake;
#ifdef _WIN32
  win32::Win32Api real_api;
#else
  posix::Win32Posix real_api{posix::PathResolver(posix::DriveMap::Parse("C:=/")), "/tmp"};
#endif
  std::shared_ptr<norb::MainModule> m;
};

}  // namespace testing_support
