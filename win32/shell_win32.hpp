// VB's Shell on Windows: CreateProcess with the window style as the program's first show command.
#pragma once

#include <string_view>

#include "platform/shell.hpp"

namespace win32 {

class ShellWin32 : public platform::Shell {
 public:
  // Starts the command line as CreateProcess finds its program (".EXE" added, the usual
  // folders searched), with `window_style` as the show command in its start-up information;
  // answers the process id. Raises 5 for an empty line or an unknown style, 53 when nothing
  // could be started.
  double Run(std::string_view command_line, int window_style) override;

  // The show command (SW_*) VB gives for a Shell window style; -1 for a style Shell refuses.
  static int ShowCommand(int window_style);
};

}  // namespace win32
