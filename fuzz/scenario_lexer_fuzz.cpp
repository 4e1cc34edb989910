// The scenario lexer over any bytes, line by line as a scenario file is read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "host/scenario_lexer.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  while (!text.empty()) {
    auto newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
    try {
      for (const auto& word : vbhost::SplitWords(line)) {
        if (word.size() > line.size()) std::abort();
      }
    } catch (const vbhost::ScenarioError&) {
    }
  }
  return 0;
}
