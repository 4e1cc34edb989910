// What the engine asks of its own process: whether a person sits at a terminal.
#pragma once

#include <string>

namespace wnorb16 {

// Standard input and output are both a terminal.
bool AtTerminal();

}  // namespace wnorb16
