#include "posix/command_line.hpp"

namespace posix {

std::vector<std::string> SplitArguments(std::string_view text) {
  std::vector<std::string> arguments;
  std::string current;
  bool in_argument = false;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
      in_argument = true;
    } else if (c == ' ' && !quoted) {
      if (in_argument) arguments.push_back(std::move(current));
      current.clear();
      in_argument = false;
    } else {
      current += c;
      in_argument = true;
    }
  }
  if (in_argument) arguments.push_back(std::move(current));
  return arguments;
}

CommandLine SplitCommandLine(
    std::string_view line, const std::function<std::optional<std::string>(std::string_view)>& find_program) {
  auto first = line.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  line = line.substr(first, line.find_last_not_of(' ') - first + 1);
  CommandLine result;

  if (line[0] == '"') {
    auto close = line.find('"', 1);
    std::string_view name = line.substr(1, close == std::string_view::npos ? close : close - 1);
    result.program = find_program(name).value_or("");
    if (close != std::string_view::npos) result.arguments = SplitArguments(line.substr(close + 1));
    return result;
  }

  // Each prefix ends just before a blank (or at the end of the line), longest first.
  for (std::size_t end = line.size(); end > 0;) {
    if (std::optional<std::string> program = find_program(line.substr(0, end))) {
      result.program = std::move(*program);
      result.arguments = SplitArguments(line.substr(end));
      return result;
    }
    auto blank = line.find_last_of(' ', end - 1);
    if (blank == std::string_view::npos) break;
    end = line.find_last_not_of(' ', blank);
    end = end == std::string_view::npos ? 0 : end + 1;
  }
  return result;
}

}  // namespace posix
