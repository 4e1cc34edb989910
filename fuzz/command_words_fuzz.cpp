// The engine's command parser over any execute string.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "wnorb16/command_words.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto parsed = wnorb16::ParseCommand(text);
  if (const auto* command = std::get_if<wnorb16::Command>(&parsed)) {
    if (command->word.size() > text.size()) std::abort();
    if (command->kind == wnorb16::CommandKind::kExtract || command->kind == wnorb16::CommandKind::kUpdate) {
      if (command->names.empty()) std::abort();
      for (const auto& name : command->names) {
        if (name.empty()) std::abort();
      }
    }
  }
  return 0;
}
