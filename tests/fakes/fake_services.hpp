// One fake of each system seam, handed to a vb::Runtime as its services.
#pragma once

#include <string>

#include "platform/services.hpp"
#include "tests/fakes/fake_clipboard.hpp"
#include "tests/fakes/fake_dde_links.hpp"
#include "tests/fakes/fake_desktop.hpp"
#include "tests/fakes/fake_file_system.hpp"
#include "tests/fakes/fake_forms_ui.hpp"
#include "tests/fakes/fake_shell.hpp"
#include "tests/fakes/fake_win32.hpp"

namespace fakes {

struct FakeServices {
  FakeWin32 win32;
  FakeFileSystem files;
  FakeShell shell;
  FakeDesktop desktop;
  FakeClipboard clipboard;
  FakeFormsUi ui;
  FakeDdeLinks dde;

  platform::Services services() { return {win32, files, shell, desktop, clipboard, ui, dde}; }
};

}  // namespace fakes
