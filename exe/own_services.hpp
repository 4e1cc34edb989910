// What NORBVB5.EXE started on its own runs the add-in's Sub Main with, from the system it runs
// on: the POSIX emulation on Linux (self_posix.cpp), Windows itself on Windows (self_win32.cpp).
#pragma once

#include <memory>
#include <string>

#include "platform/file_system.hpp"
#include "platform/shell.hpp"
#include "platform/win32.hpp"

namespace norbexe {

struct OwnServices {
  std::unique_ptr<platform::Win32> win32;
  std::unique_ptr<platform::FileSystem> files;
  std::unique_ptr<platform::Shell> shell;
  // The program's folder as a Windows path, as App.Path gives it; empty when unknown.
  std::string folder;
};

// Where the Windows directory is, in words for the program's help.
extern const char* const kWindowsDirectoryRule;

// "" when the program can run, else what stops it (a bad NORB_DRIVES setting on Linux).
std::string SetupProblem();
OwnServices MakeOwnServices();

}  // namespace norbexe
