// The scenario lexer over any bytes, line by line as a scenario file is read. The words of a line,
// each written back quoted with the language's escapes, read back as the same words.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "host/scenario_lexer.hpp"

namespace {
std::string Quoted(const std::string& word) {
  std::string out = "\"";
  for (char c : word) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += c;
    }
  }
  return out + "\"";
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  while (!text.empty()) {
    auto newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
    std::vector<std::string> words;
    try {
      words = vbhost::SplitWords(line);
    } catch (const vbhost::ScenarioError&) {
      continue;
    }
    std::string again;
    for (const auto& word : words) again += (again.empty() ? "" : " ") + Quoted(word);
    if (vbhost::SplitWords(again) != words) std::abort();
  }
  return 0;
}
