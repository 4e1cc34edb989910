#include "wnorb16/link_service.hpp"

namespace wnorb16 {

bool TakeTypedLine(Console& console, TerminalInput& terminal) {
  std::string line;
  switch (terminal.Next(line)) {
    case TerminalInput::Typed::kEnd:
      return false;
    case TerminalInput::Typed::kNothing:
      return true;
    case TerminalInput::Typed::kLine:
      break;
  }
  if (!console.Typed(line)) return false;
  console.Prompt();
  return true;
}

}  // namespace wnorb16
