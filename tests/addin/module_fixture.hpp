// A MainModule on fakes, optionally with the real Windows API layer over temporary folders.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "addin/main_module.hpp"
#include "posix/win32_posix.hpp"
#include "tests/fakes/fake_services.hpp"
#include "tests/support/temp_folder.hpp"

namespace testing_support {

// The module on fakes; `real_win32` swaps in the POSIX Windows API layer.
struct ModuleFixture {
  explicit ModuleFixture(bool real_win32 = false) {
    platform::Win32& win32 = real_win32 ? static_cast<platform::Win32&>(posix_win32) : fake.win32;
    m = norb::StartProcess({win32, fake.files, fake.shell, fake.desktop, fake.clipboard, fake.ui, fake.links},
                           "C:\\VB");
  }
  fakes::FakeServices fake;
  posix::Win32Posix posix_win32{posix::PathResolver(posix::DriveMap::Parse("C:=/")), "/tmp"};
  std::shared_ptr<norb::MainModule> m;
};

}  // namespace testing_support
