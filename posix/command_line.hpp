// Splitting a Windows command line into the program and its arguments, kept apart from the disk
// so the rule can be tested on its own.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace posix {

// Splits at blanks; a double-quoted stretch is kept whole, its quotes dropped.
std::vector<std::string> SplitArguments(std::string_view text);

struct CommandLine {
  std::string program;  // as `find_program` answered it; "" when nothing was found
  std::vector<std::string> arguments;
};

// The program is the longest blank-separated prefix for which `find_program` answers a file
// (Windows tried the shortest first, which let a planted "C:\Program.exe" run in place of
// "C:\Program Files\..."). A line beginning with a double quote names its program in the quotes.
// The rest of the line is split into the arguments.
CommandLine SplitCommandLine(std::string_view line,
                             const std::function<std::optional<std::string>(std::string_view)>& find_program);

}  // namespace posix
