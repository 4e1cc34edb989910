#include "host/scenario_commands.hpp"

#include "host/scenario_lexer.hpp"

namespace vbhost {

namespace {

constexpr ScenarioCommand kCommands[] = {
    {"open", "", 1, 1, "open PATH"},
    {"edit", "", 1, 1, "edit COMPONENT|project"},
    {"readonly", "", 2, 2, "readonly PATH on|off"},
    {"addin", "install", 1, 1, "addin install DIR"},
    {"set", "windir", 1, 1, "set windir DIR"},
    {"answer", "msgbox", 1, 1, "answer msgbox OK|Yes|No"},
    {"engine", "scripted", 0, 0, "engine scripted"},
    {"engine", "reply", 1, -1, "engine reply PREFIX TEXT..."},
    {"engine", "refuse", 1, 1, "engine refuse PREFIX"},
    {"engine", "absent", 0, 0, "engine absent"},
    {"engine", "status", 1, 1, "engine status TEXT"},
    {"engine", "real", 0, 0, "engine real"},
    {"engine", "comment", 1, -1, "engine comment TEXT..."},
    {"engine", "version", 1, 1, "engine version REVISION"},
    {"show", "states", 0, 0, "show states"},
    {"show", "links", 0, 0, "show links"},
    {"show", "lockmode", 0, 0, "show lockmode"},
    {"addin", "connectaddin", 0, 0, "addin connectaddin"},
    {"addin", "disconnectaddin", 0, 0, "addin disconnectaddin"},
    {"addin", "rcnct", 0, 0, "addin rcnct"},
    {"new", "project", 0, 0, "new project"},
    {"set", "ide", 1, 1, "set ide PATH"},
    {"set", "clipboard", 1, 1, "set clipboard TEXT"},
    {"addin", "main", 0, 0, "addin main"},
    {"addin", "connect", 0, 1, "addin connect [MODE]"},
    {"addin", "disconnect", 0, 1, "addin disconnect [MODE]"},
    {"addin", "startupcomplete", 0, 0, "addin startupcomplete"},
    {"addin", "addinsupdate", 0, 0, "addin addinsupdate"},
    {"click", "", 2, 3, "click BAR CAPTION [N]"},
    {"show", "bars", 0, 0, "show bars"},
    {"show", "clipboard", 0, 0, "show clipboard"},
    {"show", "addins", 0, 0, "show addins"},
    {"bar", "remove", 1, 1, "bar remove NAME"},
    {"answer", "dialog", 2, -1, "answer dialog FORM ACTION..."},
    {"show", "dialog", 1, 1, "show dialog FORM"},
    {"set", "screen", 2, 2, "set screen WIDTH HEIGHT"},
    {"save", "", 1, 1, "save COMPONENT|project"},
    {"saveas", "", 2, 2, "saveas COMPONENT|project PATH"},
    {"event", "", 1, -1, "event NAME ARGS..."},
    {"select", "", 0, -1, "select COMPONENT..."},
    {"request", "", 1, 1, "request CheckOut|CheckIn|Fetch|UnCheckOut"},
};

struct ActionSpec {
  std::string_view verb;
  int arguments;
};
constexpr ActionSpec kDialogActions[] = {
    {"tab", 1},     {"check", 1},  {"uncheck", 1}, {"click", 1}, {"select", 1}, {"deselect", 1},
    {"toolbar", 1}, {"column", 1}, {"help", 0},    {"ok", 0},    {"cancel", 0}, {"close", 0},
};

}  // namespace

std::span<const ScenarioCommand> ScenarioCommands() { return kCommands; }

MatchedCommand MatchScenarioCommand(const std::vector<std::string>& words) {
  if (words.empty()) throw ScenarioError("no command");
  bool verb_known = false;
  for (const ScenarioCommand& entry : kCommands) {
    if (words[0] != entry.verb) continue;
    verb_known = true;
    std::size_t skip = 1;
    if (!entry.object.empty()) {
      if (words.size() < 2 || words[1] != entry.object) continue;
      skip = 2;
    }
    MatchedCommand matched{&entry, {words.begin() + static_cast<std::ptrdiff_t>(skip), words.end()}};
    const int n = static_cast<int>(matched.arguments.size());
    if (n < entry.min_args || (entry.max_args >= 0 && n > entry.max_args)) {
      throw ScenarioError("usage: " + std::string(entry.usage));
    }
    return matched;
  }
  if (verb_known) {
    std::string forms;
    for (const ScenarioCommand& entry : kCommands) {
      if (words[0] == entry.verb) forms += (forms.empty() ? "" : ", ") + std::string(entry.usage);
    }
    throw ScenarioError("unknown form of " + words[0] + " (known: " + forms + ")");
  }
  throw ScenarioError("unknown command " + words[0]);
}

std::vector<DialogAction> ParseDialogActions(std::span<const std::string> words) {
  std::vector<DialogAction> actions;
  for (std::size_t i = 0; i < words.size();) {
    const ActionSpec* entry = nullptr;
    for (const auto& s : kDialogActions) {
      if (words[i] == s.verb) entry = &s;
    }
    if (!entry) throw ScenarioError("unknown dialog action " + words[i]);
    if (entry->arguments == 1 && i + 1 >= words.size())
      throw ScenarioError("the dialog action " + words[i] + " needs an argument");
    actions.push_back({words[i], entry->arguments == 1 ? words[i + 1] : std::string()});
    i += 1 + static_cast<std::size_t>(entry->arguments);
  }
  if (actions.empty()) throw ScenarioError("usage: answer dialog FORM ACTION...");
  return actions;
}

}  // namespace vbhost
