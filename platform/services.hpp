// Everything the add-in's process is given by its host, one reference per seam.
#pragma once

#include "platform/clipboard.hpp"
#include "platform/dde_link.hpp"
#include "platform/desktop.hpp"
#include "platform/file_system.hpp"
#include "platform/forms_ui.hpp"
#include "platform/shell.hpp"
#include "platform/win32.hpp"

namespace platform {

struct Services {
  Win32& win32;
  FileSystem& files;
  Shell& shell;
  Desktop& desktop;
  Clipboard& clipboard;
  FormsUi& ui;
  DdeLinks& dde;
};

}  // namespace platform
