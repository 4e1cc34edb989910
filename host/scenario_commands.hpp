// The scenario language's syntax: which commands there are, how many arguments each takes, and
// the actions of `answer dialog`. Apart from the runner, which gives them meaning, so that what a
// scenario's words are checked against is one table and can be fuzzed without running anything.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vbhost {

struct ScenarioCommand {
  std::string_view verb;
  std::string_view object;  // "" when the command is one word
  int min_args;
  int max_args;  // -1: no limit
  std::string_view usage;
};

// Every command, in the order the documentation lists them.
std::span<const ScenarioCommand> ScenarioCommands();

struct MatchedCommand {
  const ScenarioCommand* command;
  std::vector<std::string> arguments;  // the words after the verb (and object)
};

// The command a line's words name, with its arguments counted; raises ScenarioError for an
// unknown command, an unknown form of a known verb, or a wrong number of arguments.
MatchedCommand MatchScenarioCommand(const std::vector<std::string>& words);

struct DialogAction {
  std::string verb;
  std::string argument;  // "" for an action without one
};

// The actions of `answer dialog FORM ACTION...` (the words after FORM); raises ScenarioError
// for an unknown action, a missing argument, or no action at all.
std::vector<DialogAction> ParseDialogActions(std::span<const std::string> words);

}  // namespace vbhost
