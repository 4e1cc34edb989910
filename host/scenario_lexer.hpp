// The scenario language's lines: words separated by blanks, "#" starting a comment line,
// double-quoted words with escapes, unquoted words taken literally (C:\tmp\App.vbp needs no
// doubling).
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vbhost {

// A mistake in the scenario itself; the run stops with its file and line.
class ScenarioError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The words of one line; empty for a blank or comment line. Raises ScenarioError for an
// unknown escape or an unterminated quote.
std::vector<std::string> SplitWords(std::string_view line);

}  // namespace vbhost
