#include "host/scenario_lexer.hpp"

namespace vbhost {

std::vector<std::string> SplitWords(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  std::vector<std::string> words;
  std::size_t i = 0;
  auto blank = [&](std::size_t k) { return line[k] == ' ' || line[k] == '\t'; };
  while (i < line.size()) {
    while (i < line.size() && blank(i)) ++i;
    if (i >= line.size()) break;
    if (words.empty() && line[i] == '#') break;
    std::string word;
    if (line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char c = line[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c != '\\') {
          word += c;
          continue;
        }
        if (i >= line.size()) throw ScenarioError("a backslash ends the line inside quotes");
        char e = line[i++];
        switch (e) {
          case '"':
            word += '"';
            break;
          case '\\':
            word += '\\';
            break;
          case 'r':
            word += '\r';
            break;
          case 'n':
            word += '\n';
            break;
          case 't':
            word += '\t';
            break;
          default:
            throw ScenarioError(std::string("unknown escape \\") + e + " inside quotes");
        }
      }
      if (!closed) throw ScenarioError("unterminated quote");
      if (i < line.size() && !blank(i)) throw ScenarioError("a quoted argument must be followed by a blank");
    } else {
      while (i < line.size() && !blank(i)) word += line[i++];
    }
    words.push_back(std::move(word));
  }
  return words;
}

}  // namespace vbhost
