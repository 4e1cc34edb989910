#include "host/scenario_commands.hpp"

#include <algorithm>

#include "host/scenario_lexer.hpp"

namespace vbhost {

namespace {

constexpr ScenarioCommand kCommands[] = {
    {"open", "", 1, 1, "open PATH",
     "loads a VB5/VB6 project file (`.vbp`) and makes it the active project; a project group (`.vbg`) opens "
     "its startup project",
     &ScenarioCommandHandlers::Open},
    {"edit", "", 1, 1, "edit COMPONENT|project",
     "sets the component's (or the project's) modified flag, as typing in the IDE would",
     &ScenarioCommandHandlers::Edit},
    {"readonly", "", 2, 2, "readonly PATH on|off",
     "clears (`on`) or sets (`off`) the file owner's write bit, the group's and others' left as they are; "
     "PATH must be a regular file (or a link to one): a folder, FIFO or device (`/dev/null`) is a scenario "
     "error naming it, and its mode is left alone",
     &ScenarioCommandHandlers::ReadOnly},
    {"addin", "install", 1, 1, "addin install DIR",
     "the folder where `NORBVB5.EXE`, and so the engine, stand; default vbhost's own folder",
     &ScenarioCommandHandlers::AddinInstall},
    {"set", "windir", 1, 1, "set windir DIR", "the Windows directory, where `vbaddin.ini` lives",
     &ScenarioCommandHandlers::SetWindir},
    {"answer", "msgbox", 1, 1, "answer msgbox OK|Yes|No",
     "queues the answer to the next message box, the add-in's or the IDE's own (see The reload); answers are "
     "used first in, first out",
     &ScenarioCommandHandlers::AnswerMsgbox},
    {"engine", "scripted", 0, 0, "engine scripted",
     "from this line on, a scripted engine serves the link (see Engines)",
     &ScenarioCommandHandlers::EngineScripted},
    {"engine", "reply", 1, -1, "engine reply PREFIX TEXT...",
     "a scripted engine's rule: a command beginning with PREFIX sets the status to the TEXTs in turn, the "
     "last repeating",
     &ScenarioCommandHandlers::EngineReply},
    {"engine", "refuse", 1, 1, "engine refuse PREFIX",
     "a scripted engine refuses commands beginning with PREFIX (the add-in gets error 285)",
     &ScenarioCommandHandlers::EngineRefuse},
    {"engine", "absent", 0, 0, "engine absent", "no engine serves the link; launches are recorded only",
     &ScenarioCommandHandlers::EngineAbsent},
    {"engine", "status", 1, 1, "engine status TEXT", "the scripted engine changes its status text on its own",
     &ScenarioCommandHandlers::EngineStatus},
    {"engine", "real", 0, 0, "engine real",
     "from this line on the add-in meets the real engine again (the default)",
     &ScenarioCommandHandlers::EngineReal},
    {"engine", "comment", 1, -1, "engine comment TEXT...",
     "sends `COMMENT TEXT` to the engine on a conversation of its own, as a person would (the words joined "
     "by blanks): the log message of the user's next check-in (see `docs/engine.md`). The engine must be "
     "serving, e.g. after `addin connectaddin`",
     &ScenarioCommandHandlers::EngineComment},
    {"engine", "version", 1, 1, "engine version REVISION",
     "sends `VERSION REVISION`, the same way: the revision of the user's next check-in or check-out with "
     "option `S` (e.g. `USW`)",
     &ScenarioCommandHandlers::EngineVersion},
    {"new", "project", 0, 0, "new project",
     "an empty project that was never saved becomes the active one; the IDE raises `AfterNewProject`",
     &ScenarioCommandHandlers::NewProject},
    {"addin", "connectaddin", 0, 0, "addin connectaddin",
     "the IDE calls the connect class's `ConnectAddIn` with its application object",
     &ScenarioCommandHandlers::AddinConnectAddIn},
    {"addin", "disconnectaddin", 0, 0, "addin disconnectaddin", "the IDE calls `DisconnectAddIn`",
     &ScenarioCommandHandlers::AddinDisconnectAddIn},
    {"addin", "rcnct", 0, 0, "addin rcnct", "runs the add-in's re-link, as the IDE's file events will",
     &ScenarioCommandHandlers::AddinRcnct},
    {"addin", "main", 0, 0, "addin main",
     "runs the add-in's `Sub Main` (self-registration); every start of the add-in's process runs it first "
     "anyway",
     &ScenarioCommandHandlers::AddinMain},
    {"addin", "connect", 0, 1, "addin connect [MODE]",
     "the IDE calls the add-in interface's `OnConnection` with its root object and MODE (default 0)",
     &ScenarioCommandHandlers::AddinConnect},
    {"addin", "disconnect", 0, 1, "addin disconnect [MODE]", "`OnDisconnection`",
     &ScenarioCommandHandlers::AddinDisconnect},
    {"addin", "startupcomplete", 0, 0, "addin startupcomplete", "the IDE calls `OnStartupComplete`",
     &ScenarioCommandHandlers::AddinStartupComplete},
    {"addin", "addinsupdate", 0, 0, "addin addinsupdate", "the IDE calls `OnAddInsUpdate`",
     &ScenarioCommandHandlers::AddinAddInsUpdate},
    {"click", "", 2, 3, "click BAR CAPTION [N]",
     "clicks the add-in's button with exactly that caption (`&` included) in that bar; with several sets "
     "(connected twice without a disconnection), N chooses the set counting from the newest (1, the default)",
     &ScenarioCommandHandlers::Click},
    {"bar", "remove", 1, 1, "bar remove NAME",
     "takes a command bar away, as an IDE without that menu would be", &ScenarioCommandHandlers::BarRemove},
    {"set", "ide", 1, 1, "set ide PATH",
     "the IDE's executable path, a Windows path ending in its file name; default `VB5.EXE` in vbhost's own "
     "folder (no `C2.EXE` there)",
     &ScenarioCommandHandlers::SetIde},
    {"set", "clipboard", 1, 1, "set clipboard TEXT",
     "puts text on the clipboard, as the user copying it would", &ScenarioCommandHandlers::SetClipboard},
    {"set", "screen", 2, 2, "set screen WIDTH HEIGHT",
     "the screen size in twips that forms centre on; default 15360 x 11520 (1024 x 768 pixels)",
     &ScenarioCommandHandlers::SetScreen},
    {"answer", "dialog", 2, -1, "answer dialog FORM ACTION...",
     "queues what the developer does at FORM's next modal show (see Dialogs)",
     &ScenarioCommandHandlers::AnswerDialog},
    {"save", "", 1, 1, "save COMPONENT|project",
     "the IDE saves: for each file it writes it raises `RequestWriteFile`, writes only the files no sink "
     "cancelled (a refused write leaves the file untouched), then raises `AfterWriteFile`",
     &ScenarioCommandHandlers::Save},
    {"saveas", "", 2, 2, "saveas COMPONENT|project PATH",
     "the IDE's Save As: `DoGetNewFileName` first (a sink may cancel), the files written under the new name "
     "(a form's companion follows it), the project file's line for a component rewritten, then "
     "`AfterChangeFileName`",
     &ScenarioCommandHandlers::SaveAs},
    {"event", "", 1, -1, "event NAME ARGS...",
     "raises one of the twelve file-control events directly, with its parameters in order (`event "
     "DoGetNewFileName 1 C:\\new.bas C:\\old.bas`; the list events take any number of names)",
     &ScenarioCommandHandlers::RaiseEvent},
    {"select", "", 0, -1, "select COMPONENT...",
     "sets the Project window's selection (history and compare work on its first component)",
     &ScenarioCommandHandlers::Select},
    {"request", "", 1, 1, "request CheckOut|CheckIn|Fetch|UnCheckOut",
     "the active project hands that version-control request to its connected sink",
     &ScenarioCommandHandlers::Request},
    {"show", "states", 0, 0, "show states", "writes every component's state property (see Show events)",
     &ScenarioCommandHandlers::ShowStates},
    {"show", "links", 0, 0, "show links", "writes the add-in's two engine links",
     &ScenarioCommandHandlers::ShowLinks},
    {"show", "lockmode", 0, 0, "show lockmode", "writes the IDE's lock-mode property",
     &ScenarioCommandHandlers::ShowLockMode},
    {"show", "bars", 0, 0, "show bars", "writes the four command bars with their items",
     &ScenarioCommandHandlers::ShowBars},
    {"show", "clipboard", 0, 0, "show clipboard", "writes the clipboard's content",
     &ScenarioCommandHandlers::ShowClipboard},
    {"show", "addins", 0, 0, "show addins",
     "writes the entries of the IDE's add-in list (`vbaddin.ini`, section `[Add-Ins32]`)",
     &ScenarioCommandHandlers::ShowAddins},
    {"show", "dialog", 1, 1, "show dialog FORM", "writes a loaded form's state, as the dialog event shows it",
     &ScenarioCommandHandlers::ShowDialog},
};

struct ActionSpec {
  std::string_view verb;
  int arguments;
};
constexpr ActionSpec kDialogActions[] = {
    {"tab", 1},     {"check", 1},  {"uncheck", 1}, {"click", 1}, {"select", 1}, {"deselect", 1},
    {"toolbar", 1}, {"column", 1}, {"help", 0},    {"ok", 0},    {"cancel", 0}, {"close", 0},
};

// A row without its member would run nothing.
static_assert(std::ranges::none_of(kCommands, [](const ScenarioCommand& c) { return c.run == nullptr; }));

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
