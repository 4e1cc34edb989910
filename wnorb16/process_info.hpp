// What the engine asks of its own process: where its executable lives, whether a person sits at
// a terminal.
#pragma once

#include <string>

namespace wnorb16 {

// The folder of the running executable; "." when it cannot be had.
std::string ExecutableFolder();

// Standard input and output are both a terminal.
bool AtTerminal();

}  // namespace wnorb16
