// One fake of each system seam, handed to a vb::Runtime as its services. The DDE links are the
// real text-box links, to a scripted engine on an in-process bus. The desktop's message boxes and
// the shell's launches go to one record, in the order they came.
#pragma once

#include "dde/scripted_server.hpp"
#include "dde/text_box_links.hpp"
#include "platform/services.hpp"
#include "tests/fakes/fake_clipboard.hpp"
#include "tests/fakes/fake_desktop.hpp"
#include "tests/fakes/fake_file_system.hpp"
#include "tests/fakes/fake_forms_ui.hpp"
#include "tests/fakes/fake_shell.hpp"
#include "tests/fakes/fake_win32.hpp"

namespace fakes {

struct FakeServices {
  std::vector<std::string> record;
  FakeWin32 win32;
  FakeFileSystem files;
  FakeShell shell{record};
  FakeDesktop desktop{record};
  FakeClipboard clipboard;
  FakeFormsUi ui;
  dde::InProcessBus bus;
  dde::ScriptedServer engine{bus};
  dde::TextBoxLinks links{bus};

  platform::Services services() { return {win32, files, shell, desktop, clipboard, ui, links}; }
};

}  // namespace fakes
