#include "host/scenario_runner.hpp"

#include <fstream>
#include <functional>
#include <optional>

#include "addin/engine/frm_dde.hpp"
#include "addin/main_module.hpp"
#include "dde/scripted_server.hpp"
#include "host/host_clipboard.hpp"
#include "host/ide_session.hpp"
#include "host/json_writer.hpp"
#include "host/scenario_commands.hpp"
#include "host/scenario_lexer.hpp"
#include "host/scripted_desktop.hpp"
#include "host/scripted_ui.hpp"
#include "posix/file_ops.hpp"
#include "posix/windows_path.hpp"
#include "vbrt/code_page.hpp"
#include "vbrt/common_controls.hpp"
#include "vbrt/error.hpp"

namespace vbhost {

using posix::IsWindowsAbsolute;

using Args = ScenarioArgs;

// The scenario language over an IDE session: each line's words become a request of the session
// or of the scripted person (queued answers), and everything observed goes into the transcript.
class ScenarioRunner::Impl final : private ScenarioCommandHandlers {
 public:
  template <class Out>
  Impl(Out& out, RunnerOptions options)
      : transcript_(out),
        desktop_(transcript_),
        ui_(transcript_),
        clipboard_(transcript_),
        session_(transcript_, PersonSeams{desktop_, ui_, clipboard_}, std::move(options)) {
    desktop_.SetEventPump([this] { session_.Pump(); });
  }

  void Run(const Args& words, const std::string& folder);

 private:
  struct Path {
    std::string windows;
    std::string posix;
  };
  // The path in argument `index` of the command being run, as the scenario wrote it (UTF-8):
  // a POSIX path is taken as it is, so a folder the code page cannot spell is reached too.
  Path ArgPath(std::size_t index) const;
  dde::ScriptedServer& Scripted(const char* command);
  std::shared_ptr<HostProject> ActiveOrFail();
  std::shared_ptr<HostComponent> ComponentOrFail(const HostProject& project, const std::string& name);

  // What the commands of the table (host/scenario_commands.cpp) do.
  void Open(const Args& a) override;
  void Edit(const Args& a) override;
  void ReadOnly(const Args& a) override;
  void AddinInstall(const Args& a) override;
  void SetWindir(const Args& a) override;
  void AnswerMsgbox(const Args& a) override;
  void EngineScripted(const Args& a) override;
  void EngineReply(const Args& a) override;
  void EngineRefuse(const Args& a) override;
  void EngineAbsent(const Args& a) override;
  void EngineStatus(const Args& a) override;
  void EngineComment(const Args& a) override;
  void EngineVersion(const Args& a) override;
  void EngineReal(const Args& a) override;
  void ShowStates(const Args& a) override;
  void AddinConnectAddIn(const Args&) override { session_.ConnectAddIn(); }
  void AddinDisconnectAddIn(const Args&) override { session_.DisconnectAddIn(); }
  void AddinRcnct(const Args&) override { session_.Rcnct(); }
  void NewProject(const Args&) override { session_.NewProject(); }
  void ShowLinks(const Args& a) override;
  void ShowLockMode(const Args& a) override;
  void SetIde(const Args& a) override;
  void SetClipboard(const Args& a) override { clipboard_.Put(a[0]); }
  void AddinMain(const Args&) override { session_.RunMain(); }
  void AddinConnect(const Args& a) override;
  void AddinDisconnect(const Args& a) override;
  void AddinStartupComplete(const Args&) override { session_.OnStartupComplete(); }
  void AddinAddInsUpdate(const Args&) override { session_.OnAddInsUpdate(); }
  void Click(const Args& a) override;
  void ShowBars(const Args& a) override;
  void ShowClipboard(const Args& a) override;
  void ShowAddins(const Args& a) override;
  void BarRemove(const Args& a) override;
  void AnswerDialog(const Args& a) override;
  void ShowDialog(const Args& a) override;
  void SetScreen(const Args& a) override;
  void Save(const Args& a) override;
  void SaveAs(const Args& a) override;
  void RaiseEvent(const Args& a) override;
  void Select(const Args& a) override;
  void Request(const Args& a) override;

  // One thing a person does on a modal form.
  void Perform(vb::Form& form, const DialogAction& action);

  Transcript transcript_;
  std::string folder_;
  std::vector<std::string> utf8_args_;  // of the command being run
  ScriptedDesktop desktop_;
  ScriptedUi ui_;
  HostClipboard clipboard_;
  // Last: it goes before the person's side it shows the add-in's forms and boxes on.
  IdeSession session_;
};

void ScenarioRunner::Impl::Run(const Args& words, const std::string& folder) {
  if (words.empty()) return;
  folder_ = folder;
  MatchedCommand matched = MatchScenarioCommand(words);
  utf8_args_ = std::move(matched.arguments);
  // The add-in's world is the code page.
  Args args;
  for (const auto& word : utf8_args_) args.push_back(vb::ActiveCodePage().FromUtf8Lossy(word));
  // The transcript goes out once per command, and whole up to a command that fails.
  try {
    try {
      ScenarioCommandHandlers& handlers = *this;
      (handlers.*matched.command->run)(args);
    } catch (const SessionError& e) {
      throw ScenarioError(e.what());
    }
    session_.ReportEngineOutcomes();
  } catch (...) {
    transcript_.Flush();
    throw;
  }
  transcript_.Flush();
}

ScenarioRunner::Impl::Path ScenarioRunner::Impl::ArgPath(std::size_t index) const {
  const std::string& word = utf8_args_.at(index);
  const posix::PathResolver& resolver = session_.resolver();
  try {
    if (IsWindowsAbsolute(word)) {
      std::optional<std::string> windows = vb::ActiveCodePage().FromUtf8(word);
      if (!windows) {
        throw ScenarioError("path " + word + ": code page " + std::to_string(vb::ActiveCodePage().number()) +
                            " cannot spell it; give the POSIX path");
      }
      return {*windows, resolver.ToPosix(*windows)};
    }
    std::string posix = word;
    if (posix.empty() || posix[0] != '/') posix = folder_ + "/" + posix;
    return {resolver.ToWindows(posix), resolver.ToPosix(resolver.ToWindows(posix))};
  } catch (const vb::Error& e) {
    throw ScenarioError("path " + word + ": " + e.description());
  }
}

void ScenarioRunner::Impl::Open(const Args& a) {
  Path p = ArgPath(0);
  try {
    session_.Open(p.windows);
  } catch (const vb::Error& e) {
    throw ScenarioError("cannot open " + a[0] + ": " + e.description());
  }
}

std::shared_ptr<HostProject> ScenarioRunner::Impl::ActiveOrFail() {
  auto project = session_.app().active();
  if (!project) throw ScenarioError("no project is open");
  return project;
}

std::shared_ptr<HostComponent> ScenarioRunner::Impl::ComponentOrFail(const HostProject& project,
                                                                     const std::string& name) {
  auto c = project.FindComponent(name);
  if (!c) throw ScenarioError("the project has no component " + name);
  return c;
}

void ScenarioRunner::Impl::Edit(const Args& a) {
  auto project = ActiveOrFail();
  if (a[0] == "project") {
    project->SetDirtyQuietly(true);
    return;
  }
  ComponentOrFail(*project, a[0])->SetDirty(true);
}

void ScenarioRunner::Impl::ReadOnly(const Args& a) {
  if (a[1] != "on" && a[1] != "off") throw ScenarioError("usage: readonly PATH on|off");
  Path p = ArgPath(0);
  const std::string problem = posix::SetReadOnly(p.posix, a[1] == "on");
  if (!problem.empty()) throw ScenarioError("cannot change " + a[0] + ": " + problem);
}

void ScenarioRunner::Impl::AddinInstall(const Args&) { session_.SetInstallFolder(ArgPath(0).posix); }

void ScenarioRunner::Impl::SetWindir(const Args&) { session_.SetWindowsDirectory(ArgPath(0).posix); }

void ScenarioRunner::Impl::AnswerMsgbox(const Args& a) {
  if (a[0] != "OK" && a[0] != "Yes" && a[0] != "No") throw ScenarioError("usage: answer msgbox OK|Yes|No");
  desktop_.QueueAnswer(a[0]);
}

dde::ScriptedServer& ScenarioRunner::Impl::Scripted(const char* command) {
  dde::ScriptedServer* scripted = session_.scripted_engine();
  if (!scripted) throw ScenarioError(std::string(command) + " needs \"engine scripted\" first");
  return *scripted;
}

void ScenarioRunner::Impl::EngineScripted(const Args&) { session_.UseScriptedEngine(); }

void ScenarioRunner::Impl::EngineReply(const Args& a) {
  Scripted("engine reply").Reply(a[0], Args(a.begin() + 1, a.end()));
}

void ScenarioRunner::Impl::EngineRefuse(const Args& a) { Scripted("engine refuse").Refuse(a[0]); }

void ScenarioRunner::Impl::EngineAbsent(const Args&) { session_.UseNoEngine(); }

void ScenarioRunner::Impl::EngineReal(const Args&) { session_.UseRealEngine(); }

void ScenarioRunner::Impl::EngineStatus(const Args& a) { Scripted("engine status").SetStatus(a[0]); }

void ScenarioRunner::Impl::EngineComment(const Args& a) {
  std::string comment;
  for (const auto& word : a) comment += (comment.empty() ? "" : " ") + word;
  session_.SetCheckInComment(comment);
}

void ScenarioRunner::Impl::EngineVersion(const Args& a) { session_.SetNextVersion(a[0]); }

void ScenarioRunner::Impl::ShowStates(const Args&) {
  NamedValues<long> components;
  if (auto p = session_.app().active()) {
    for (const auto& c : p->components()) components.Set(c->Name(), c->State());
  }
  transcript_.Emit(events::StatesShown{components.Take()});
}

void ScenarioRunner::Impl::ShowLinks(const Args&) {
  events::LinksShown shown;
  if (norb::MainModule* m = session_.module(); m && m->frmDDE.Loaded()) {
    auto& dde_form = *m->frmDDE;
    for (vb::TextBox* box : {&dde_form.Text1, &dde_form.Text2})
      shown.links.push_back({box->Name(), box->LinkTopic(), box->LinkItem(), box->LinkMode(), box->Text()});
  }
  transcript_.Emit(shown);
}

void ScenarioRunner::Impl::ShowLockMode(const Args&) {
  events::LockModeShown e{session_.app().LockMode(), std::nullopt};
  if (norb::MainModule* m = session_.module()) e.add_in = m->gLockMode;
  transcript_.Emit(e);
}

void ScenarioRunner::Impl::SetIde(const Args& a) {
  if (!IsWindowsAbsolute(a[0])) throw ScenarioError("set ide takes a Windows path (C:\\...\\VB5.EXE)");
  session_.vbe().SetFullName(a[0]);
}

namespace {
// The optional MODE of `addin connect` and `addin disconnect`, 0 when absent.
long ModeArgument(const Args& a, const char* command) {
  if (a.empty()) return 0;
  try {
    return std::stol(a[0]);
  } catch (const std::exception&) {
    throw ScenarioError(std::string("usage: addin ") + command + " [MODE], MODE a number");
  }
}
}  // namespace

void ScenarioRunner::Impl::AddinConnect(const Args& a) { session_.OnConnection(ModeArgument(a, "connect")); }

void ScenarioRunner::Impl::AddinDisconnect(const Args& a) {
  session_.OnDisconnection(ModeArgument(a, "disconnect"));
}

void ScenarioRunner::Impl::Click(const Args& a) {
  auto bar = session_.vbe().bars().Find(a[0]);
  if (!bar) throw ScenarioError("the IDE has no command bar " + a[0]);
  int nth = 1;
  if (a.size() > 2) {
    try {
      std::size_t used = 0;
      nth = std::stoi(a[2], &used);
      if (used != a[2].size() || nth < 1) throw std::invalid_argument("");
    } catch (const std::exception&) {
      throw ScenarioError("click: " + a[2] + " is not a set number (1 the newest, 2 the one before, ...)");
    }
  }
  auto control = bar->FindAddInItem(a[1], nth);
  if (!control)
    throw ScenarioError("the bar " + a[0] + " has no add-in button " + a[1] +
                        (nth > 1 ? " in set " + a[2] : ""));
  session_.Click(control);
}

void ScenarioRunner::Impl::ShowBars(const Args&) { transcript_.Emit(BarsOf(session_.vbe().bars())); }

void ScenarioRunner::Impl::ShowClipboard(const Args&) {
  transcript_.Emit(events::ClipboardShown{clipboard_.content()});
}

void ScenarioRunner::Impl::ShowAddins(const Args&) {
  NamedValues<std::string> entries;
  for (auto& [key, value] : session_.RegisteredAddIns()) entries.Set(std::move(key), std::move(value));
  transcript_.Emit(events::AddinsShown{entries.Take()});
}

void ScenarioRunner::Impl::BarRemove(const Args& a) {
  if (!session_.vbe().bars().Remove(a[0])) throw ScenarioError("the IDE has no command bar " + a[0]);
}

namespace {
// The controls a dialog action acts on (its words are read in host/scenario_commands.cpp).
template <class C>
C* FirstOf(vb::Form& form) {
  for (vb::Control* c : form.Controls()) {
    if (auto* typed = dynamic_cast<C*>(c)) return typed;
  }
  return nullptr;
}

vb::CommandButton* ButtonWhere(vb::Form& form, bool (vb::CommandButton::*flag)() const) {
  for (vb::Control* c : form.Controls()) {
    auto* b = dynamic_cast<vb::CommandButton*>(c);
    if (b && (b->*flag)()) return b;
  }
  return nullptr;
}
}  // namespace

void ScenarioRunner::Impl::Perform(vb::Form& form, const DialogAction& action) {
  const std::string& v = action.verb;
  const std::string& arg = action.argument;
  if (v == "tab") {
    auto* tabs = FirstOf<vb::TabStrip>(form);
    if (!tabs) throw ScenarioError(form.Name() + " has no tabs");
    int index = 0;
    for (std::size_t i = 0; i < tabs->Tabs().size(); ++i) {
      if (tabs->Tabs()[i] == arg) index = static_cast<int>(i) + 1;
    }
    if (index == 0) throw ScenarioError(form.Name() + " has no tab " + arg);
    session_.CallAddin("TabStrip", [&] { tabs->ClickTab(index); });
  } else if (v == "check" || v == "uncheck" || v == "click") {
    auto* box = dynamic_cast<vb::CheckBox*>(form.FindControl(arg));
    if (!box) throw ScenarioError(form.Name() + " has no check box " + arg);
    if (v == "click") {
      session_.CallAddin("CheckBox", [&] { box->MouseClick(); });
    } else {
      session_.CallAddin("CheckBox", [&] { box->SetValue(v == "check" ? vb::vbChecked : vb::vbUnchecked); });
    }
  } else if (v == "select" || v == "deselect") {
    auto* list = FirstOf<vb::ListView>(form);
    vb::ListItem* item = list ? list->FindItem(arg) : nullptr;
    if (!item) throw ScenarioError(form.Name() + "'s list has no row " + arg);
    item->Selected = v == "select";
  } else if (v == "toolbar") {
    auto* bar = FirstOf<vb::Toolbar>(form);
    if (!bar) throw ScenarioError(form.Name() + " has no toolbar");
    bool found = true;
    session_.CallAddin("Toolbar", [&] { found = bar->Press(arg); });
    if (!found) throw ScenarioError(form.Name() + "'s toolbar has no button " + arg);
  } else if (v == "column") {
    auto* list = FirstOf<vb::ListView>(form);
    int n = 0;
    try {
      n = std::stoi(arg);
    } catch (const std::exception&) {
    }
    if (!list || n < 1 || n > static_cast<int>(list->ColumnHeaders().size())) {
      throw ScenarioError(form.Name() + "'s list has no column " + arg);
    }
    session_.CallAddin("ColumnClick", [&] { list->ClickColumn(n); });
  } else if (v == "help") {
    auto* help = dynamic_cast<vb::CommandButton*>(form.FindControl("cmdHelp"));
    if (!help) throw ScenarioError(form.Name() + " has no Help button");
    session_.CallAddin("cmdHelp", [&] { help->Press(); });
  } else if (v == "ok" || v == "cancel") {
    vb::CommandButton* b =
        ButtonWhere(form, v == "ok" ? &vb::CommandButton::Default : &vb::CommandButton::Cancel);
    if (!b) throw ScenarioError(form.Name() + " has no " + (v == "ok" ? "default" : "cancel") + " button");
    session_.CallAddin(v == "ok" ? "OK" : "Cancel", [&] { b->Press(); });
  } else if (v == "close") {
    session_.CallAddin("Close", [&] { form.Unload(); });
  }
}

void ScenarioRunner::Impl::AnswerDialog(const Args& a) {
  const std::string& form_name = a[0];
  std::vector<DialogAction> actions = ParseDialogActions(std::span<const std::string>(a).subspan(1));
  ui_.QueueModalAnswer(form_name, [this, actions](vb::Form& form, const std::function<bool()>& showing) {
    for (std::size_t i = 0; i < actions.size(); ++i) {
      if (!showing())
        throw ScenarioError("the dialog " + form.Name() + " closed before the action " + actions[i].verb);
      Perform(form, actions[i]);
    }
  });
}

void ScenarioRunner::Impl::ShowDialog(const Args& a) {
  vb::Form* form = ui_.FindLoaded(a[0]);
  if (!form) throw ScenarioError("the form " + a[0] + " is not loaded");
  transcript_.Emit(events::Dialog{true, a[0], std::nullopt, form});
}

void ScenarioRunner::Impl::SetScreen(const Args& a) {
  try {
    ui_.SetScreen(std::stol(a[0]), std::stol(a[1]));
  } catch (const std::exception&) {
    throw ScenarioError("usage: set screen WIDTH HEIGHT, in twips");
  }
}

void ScenarioRunner::Impl::Save(const Args& a) {
  auto project = ActiveOrFail();
  if (a[0] == "project") {
    if (project->FileName().empty())
      throw ScenarioError("the project was never saved: use saveas project PATH");
    session_.SaveProject(*project);
    return;
  }
  session_.Save(*ComponentOrFail(*project, a[0]));
}

void ScenarioRunner::Impl::SaveAs(const Args& a) {
  auto project = ActiveOrFail();
  std::string new_name = ArgPath(1).windows;
  if (a[0] == "project") {
    session_.SaveAs(*project, new_name);
    return;
  }
  session_.SaveAs(*project, *ComponentOrFail(*project, a[0]), new_name);
}

namespace {

using platform::ide::FileControlEvents;

// An event's arguments as the sinks get them, by reference, so a sink sees what the one before
// it left there.
struct FileEventCall {
  Args words;      // every parameter as written (a list event's: its FileNames)
  int number = 0;  // FileType or Success, the one number a parameter list holds
};

// The twelve file-control events for `event NAME ARGS...`: each with its parameters and how the
// IDE raises it on a sink.
struct FileEventSpec {
  std::string_view name;
  std::vector<std::string_view> parameters;  // a last "FileNames" takes every remaining word
  void (*raise)(FileControlEvents& sink, FileEventCall& call, bool& cancel);
};
const std::vector<FileEventSpec>& FileEvents() {
  using S = FileControlEvents;
  using C = FileEventCall;
  static const std::vector<FileEventSpec> events = {
      {"AfterAddFile", {"filename"}, [](S& s, C& c, bool&) { s.AfterAddFile(c.words[0]); }},
      {"AfterChangeFileName",
       {"FileType", "NewName", "OldName"},
       [](S& s, C& c, bool&) { s.AfterChangeFileName(c.number, c.words[1], c.words[2]); }},
      {"AfterCloseFile", {"FileNames"}, [](S& s, C& c, bool&) { s.AfterCloseFile(c.words); }},
      {"AfterRemoveFile", {"filename"}, [](S& s, C& c, bool&) { s.AfterRemoveFile(c.words[0]); }},
      {"AfterWriteFile",
       {"filename", "Success"},
       [](S& s, C& c, bool&) { s.AfterWriteFile(c.words[0], c.number); }},
      {"BeforeLoadFile", {"FileNames"}, [](S& s, C& c, bool&) { s.BeforeLoadFile(c.words); }},
      {"DoGetAddFileName",
       {"FileNames"},
       [](S& s, C& c, bool& cancel) { s.DoGetAddFileName(c.words, cancel); }},
      {"DoGetNewFileName",
       {"FileType", "NewName", "OldName"},
       [](S& s, C& c, bool& cancel) { s.DoGetNewFileName(c.number, c.words[1], c.words[2], cancel); }},
      {"DoGetOpenProjectName",
       {"projectname"},
       [](S& s, C& c, bool& cancel) { s.DoGetOpenProjectName(c.words[0], cancel); }},
      {"AfterNewProject", {"projectname"}, [](S& s, C& c, bool&) { s.AfterNewProject(c.words[0]); }},
      {"RequestChangeFileName",
       {"FileType", "NewName", "OldName"},
       [](S& s, C& c, bool& cancel) { s.RequestChangeFileName(c.number, c.words[1], c.words[2], cancel); }},
      {"RequestWriteFile",
       {"filename"},
       [](S& s, C& c, bool& cancel) { s.RequestWriteFile(c.words[0], cancel); }},
  };
  return events;
}
}  // namespace

void ScenarioRunner::Impl::RaiseEvent(const Args& a) {
  const FileEventSpec* entry = nullptr;
  for (const auto& e : FileEvents()) {
    if (e.name == a[0]) entry = &e;
  }
  if (!entry) throw ScenarioError("unknown file event " + a[0]);
  FileEventCall call{Args(a.begin() + 1, a.end())};
  const Args& rest = call.words;
  bool list = entry->parameters.size() == 1 && entry->parameters[0] == "FileNames";
  if (!list && rest.size() != entry->parameters.size()) {
    std::string usage = "usage: event " + a[0];
    for (auto p : entry->parameters) usage += " " + std::string(p);
    throw ScenarioError(usage);
  }
  events::FileEventArgs args;
  if (list) {
    args.emplace_back("FileNames", rest);
  } else {
    for (std::size_t i = 0; i < rest.size(); ++i)
      args.emplace_back(std::string(entry->parameters[i]), rest[i]);
  }
  // The transcript shows the numbers as numbers.
  for (std::size_t i = 0; i < rest.size() && !list; ++i) {
    const std::string_view parameter = entry->parameters[i];
    if (parameter != "FileType" && parameter != "Success") continue;
    try {
      call.number = std::stoi(rest[i]);
    } catch (const std::exception&) {
      throw ScenarioError("event " + a[0] + ": " + rest[i] + " is not a number");
    }
    args[i].second = static_cast<long>(call.number);
  }
  session_.FileEvent(a[0], args, [&](FileControlEvents& s, bool& cancel) { entry->raise(s, call, cancel); });
}

void ScenarioRunner::Impl::Select(const Args& a) {
  auto project = ActiveOrFail();
  std::vector<std::shared_ptr<HostComponent>> selection;
  for (const auto& name : a) selection.push_back(ComponentOrFail(*project, name));
  project->Select(std::move(selection));
}

void ScenarioRunner::Impl::Request(const Args& a) {
  IdeSession::ProjectRequest method = nullptr;
  if (a[0] == "CheckOut") method = &platform::ide::ProjectEvents::CheckOut;
  if (a[0] == "CheckIn") method = &platform::ide::ProjectEvents::CheckIn;
  if (a[0] == "Fetch") method = &platform::ide::ProjectEvents::Fetch;
  if (a[0] == "UnCheckOut") method = &platform::ide::ProjectEvents::UnCheckOut;
  if (!method) throw ScenarioError("usage: request CheckOut|CheckIn|Fetch|UnCheckOut");
  session_.Request(*ActiveOrFail(), a[0], method);
}

ScenarioRunner::ScenarioRunner(std::ostream& transcript, RunnerOptions options)
    : impl_(std::make_unique<Impl>(transcript, std::move(options))) {}

ScenarioRunner::ScenarioRunner(ReadableAccount& account, RunnerOptions options)
    : impl_(std::make_unique<Impl>(account, std::move(options))) {}

ScenarioRunner::~ScenarioRunner() = default;

void ScenarioRunner::RunLine(const std::vector<std::string>& words, const std::string& folder) {
  impl_->Run(words, folder);
}

void ScenarioRunner::RunFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ScenarioError(path + ": cannot read the scenario");
  const std::string folder = posix::FolderOfFile(path);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    try {
      RunLine(SplitWords(line), folder);
    } catch (const ScenarioError& e) {
      throw ScenarioError(path + ":" + std::to_string(number) + ": " + e.what());
    }
  }
}

}  // namespace vbhost
