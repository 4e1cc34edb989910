// The scenario language: one table of its commands, a row each with its words, how many arguments
// it takes, its usage and help, and the runner's member that carries it out; and the actions of
// `answer dialog`. It needs nothing of the runner, so a scenario's words can be checked against it
// (and fuzzed) without running anything.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vbhost {

using ScenarioArgs = std::vector<std::string>;

// What the commands do, a member each, carried out by the scenario runner. Pure virtual, so that
// the table can name a command's member here, without the runner: a row whose member the runner
// does not carry out leaves the runner abstract, and it does not compile.
class ScenarioCommandHandlers {
 public:
  virtual void Open(const ScenarioArgs& a) = 0;
  virtual void Edit(const ScenarioArgs& a) = 0;
  virtual void ReadOnly(const ScenarioArgs& a) = 0;
  virtual void AddinInstall(const ScenarioArgs& a) = 0;
  virtual void SetWindir(const ScenarioArgs& a) = 0;
  virtual void AnswerMsgbox(const ScenarioArgs& a) = 0;
  virtual void EngineScripted(const ScenarioArgs& a) = 0;
  virtual void EngineReply(const ScenarioArgs& a) = 0;
  virtual void EngineRefuse(const ScenarioArgs& a) = 0;
  virtual void EngineAbsent(const ScenarioArgs& a) = 0;
  virtual void EngineStatus(const ScenarioArgs& a) = 0;
  virtual void EngineReal(const ScenarioArgs& a) = 0;
  virtual void EngineComment(const ScenarioArgs& a) = 0;
  virtual void EngineVersion(const ScenarioArgs& a) = 0;
  virtual void NewProject(const ScenarioArgs& a) = 0;
  virtual void AddinConnectAddIn(const ScenarioArgs& a) = 0;
  virtual void AddinDisconnectAddIn(const ScenarioArgs& a) = 0;
  virtual void AddinRcnct(const ScenarioArgs& a) = 0;
  virtual void AddinMain(const ScenarioArgs& a) = 0;
  virtual void AddinConnect(const ScenarioArgs& a) = 0;
  virtual void AddinDisconnect(const ScenarioArgs& a) = 0;
  virtual void AddinStartupComplete(const ScenarioArgs& a) = 0;
  virtual void AddinAddInsUpdate(const ScenarioArgs& a) = 0;
  virtual void Click(const ScenarioArgs& a) = 0;
  virtual void BarRemove(const ScenarioArgs& a) = 0;
  virtual void SetIde(const ScenarioArgs& a) = 0;
  virtual void SetClipboard(const ScenarioArgs& a) = 0;
  virtual void SetScreen(const ScenarioArgs& a) = 0;
  virtual void AnswerDialog(const ScenarioArgs& a) = 0;
  virtual void Save(const ScenarioArgs& a) = 0;
  virtual void SaveAs(const ScenarioArgs& a) = 0;
  virtual void RaiseEvent(const ScenarioArgs& a) = 0;
  virtual void Select(const ScenarioArgs& a) = 0;
  virtual void Request(const ScenarioArgs& a) = 0;
  virtual void ShowStates(const ScenarioArgs& a) = 0;
  virtual void ShowLinks(const ScenarioArgs& a) = 0;
  virtual void ShowLockMode(const ScenarioArgs& a) = 0;
  virtual void ShowBars(const ScenarioArgs& a) = 0;
  virtual void ShowClipboard(const ScenarioArgs& a) = 0;
  virtual void ShowAddins(const ScenarioArgs& a) = 0;
  virtual void ShowDialog(const ScenarioArgs& a) = 0;

 protected:
  ~ScenarioCommandHandlers() = default;
};

struct ScenarioCommand {
  std::string_view verb;
  std::string_view object;  // "" when the command is one word
  int min_args;
  int max_args;  // -1: no limit
  std::string_view usage;
  std::string_view help;  // what it does: the command's row of docs/scenarios.md
  void (ScenarioCommandHandlers::*run)(const ScenarioArgs&);
};

// Every command, one row each, in the order the documentation lists them.
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
