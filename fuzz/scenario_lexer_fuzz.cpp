// The scenario lexer over any bytes, line by line as a scenario file is read, and the runner's
// reading of a line's words against the language's commands and dialog actions. The words of a
// line, each written back quoted with the language's escapes, read back as the same words; a
// command is taken only with as many arguments as it allows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "host/scenario_commands.hpp"
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
    if (words.empty()) continue;
    try {
      vbhost::MatchedCommand matched = vbhost::MatchScenarioCommand(words);
      const int n = static_cast<int>(matched.arguments.size());
      const vbhost::ScenarioCommand& command = *matched.command;
      if (n < command.min_args || (command.max_args >= 0 && n > command.max_args)) std::abort();
      if (command.verb == "answer" && command.object == "dialog") {
        auto actions = vbhost::ParseDialogActions(std::span<const std::string>(matched.arguments).subspan(1));
        if (actions.empty() || actions.size() >= matched.arguments.size()) std::abort();
      }
    } catch (const vbhost::ScenarioError&) {
    }
  }
  return 0;
}
