// What the engine asks of its own process: whether a person sits at a terminal, and standard
// files it can write to.
#pragma once

#include <string>

namespace wnorb16 {

// Standard input and output are both a terminal.
bool AtTerminal();

// Opens /dev/null as standard input, output or error where the engine was started without one:
// otherwise the first files it opens (its signal pipe, its log) take their numbers, and what it
// says on standard output or error is written into them.
void OpenStandardFiles();

}  // namespace wnorb16
