#include "host/scenario_runner.hpp"

#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

#include "addin/engine/frm_dde.hpp"
#include "addin/main_module.hpp"
#include "addin/shell/nvb5_version_control.hpp"
#include "dde/dbus_transport.hpp"
#include "dde/in_process_bus.hpp"
#include "dde/link_observer.hpp"
#include "dde/scripted_server.hpp"
#include "dde/text_box_links.hpp"
#include "host/engine_transport.hpp"
#include "host/form_view.hpp"
#include "host/host_clipboard.hpp"
#include "host/host_shell.hpp"
#include "host/host_vbe.hpp"
#include "host/host_win32.hpp"
#include "host/scenario_commands.hpp"
#include "host/scenario_lexer.hpp"
#include "host/scripted_desktop.hpp"
#include "host/scripted_ui.hpp"
#include "posix/file_ops.hpp"
#include "posix/file_system_posix.hpp"
#include "posix/private_profile.hpp"
#include "posix/shell_posix.hpp"
#include "posix/spawn.hpp"
#include "posix/whole_file.hpp"
#include "posix/win32_posix.hpp"
#include "posix/windows_path.hpp"
#include "vbrt/code_page.hpp"
#include "vbrt/common_controls.hpp"
#include "vbrt/error.hpp"
#include "vbrt/process.hpp"
#include "vbrt/strings.hpp"

namespace vbhost {

using posix::CombineWindowsPath;
using posix::ExtensionOf;
using posix::IsWindowsAbsolute;
using posix::WindowsFolderOf;

using Args = std::vector<std::string>;

// The title of the IDE's own message boxes; the add-in's have none.
constexpr std::string_view kHostTitle = "vbhost";

class ScenarioRunner::Impl : public IdeHost, public dde::LinkObserver {
 public:
  Impl(std::ostream& out, RunnerOptions options)
      : transcript_(out),
        install_dir_(std::move(options.install_dir)),
        stop_launched_(options.stop_launched_at_exit),
        transport_(options.bus_address),
        app_(std::make_shared<HostApplication>(*this, numbers_)),
        desktop_(transcript_),
        ui_(transcript_),
        clipboard_(transcript_),
        shell_(transcript_, &real_shell_),
        links_(transport_, this),
        vbe_(std::make_shared<HostVBE>(transcript_, clipboard_, app_,
                                       CombineWindowsPath(resolver_.ToWindows(install_dir_), "VB5.EXE"))) {
    desktop_.SetEventPump([this] {
      transport_.Pump();
      EmitEngineOutcomes();
    });
    // A started program is the only server a link may wait for. The add-in's start-up launches
    // nothing when it finds no engine executable, so its links then fail at once.
    shell_.OnStarted([this] { transport_.ServerLaunched(); });
    transport_.OnAwait([this](std::string_view application) {
      transcript_.Emit({{"event", "await"}, {"application", std::string(application)}});
    });
  }

  ~Impl() override {
    if (stop_launched_) {
      for (double task : shell_.started()) posix::Terminate(static_cast<pid_t>(task));
    }
    if (!temp_windir_.empty()) {
      posix::RemoveFile(temp_windir_ + "/vbaddin.ini");
      posix::RemoveEmptyFolder(temp_windir_);
    }
  }

  void Run(const Args& words, const std::string& folder);

  // ---- IdeHost ----
  void Emit(const nlohmann::ordered_json& event) override { transcript_.Emit(event); }
  // The add-in's save-as goes through the IDE's writes, file events included.
  void SaveComponentAs(HostComponent& component, const std::string& path) override {
    transcript_.Emit({{"event", "save"}, {"target", component.Name()}, {"path", path}});
    bool all = true;
    const auto files = component.files();
    for (std::size_t i = 0; i < files.size(); ++i) {
      std::string target = i == 0 ? path : files[i];
      all = WriteThroughIde(target, ContentsOf(files[i])) && all;
    }
    if (all) component.SetDirty(false);
  }
  void SaveProjectAs(HostProject& project, const std::string& path) override {
    transcript_.Emit({{"event", "save"}, {"target", project.Name()}, {"path", path}});
    if (WriteThroughIde(path, FormatProjectFile(project.file()))) project.SetDirtyQuietly(false);
  }
  // Nothing unsaved is dropped without the developer's Yes in a box of the IDE's own.
  void ReloadProject(const std::string& path, bool /*flag*/) override {
    transcript_.Emit({{"event", "reload"}, {"path", path}});
    auto p = app_->active();
    if (!p || vb::LCase(p->FileName()) != vb::LCase(path)) return;
    p->Reload([this](const std::string& name) {
      return desktop_.MsgBox(name + " has unsaved changes. Reload it from disk and lose them?",
                             platform::vbYesNo + platform::vbExclamation, kHostTitle) == platform::vbYes;
    });
    EmitUnresolved();
  }

  // ---- LinkObserver ----
  void LinkModeWritten(const dde::LinkModeWrite& w) override {
    nlohmann::ordered_json e{{"event", "link"}, {"control", w.control}, {"topic", w.topic},
                             {"item", w.item},  {"mode", w.mode},       {"ok", w.ok}};
    if (!w.ok) e["number"] = w.error;
    transcript_.Emit(e);
  }
  void LinkExecuted(const dde::LinkExecuteCall& c) override {
    nlohmann::ordered_json e{{"event", "execute"}, {"topic", c.topic}, {"command", c.command}, {"ok", c.ok}};
    if (!c.ok) e["number"] = c.error;
    transcript_.Emit(e);
    // What the engine showed while it handled the command comes after the command.
    EmitEngineOutcomes();
  }

 private:
  enum class EngineMode { Real, Scripted, Absent };

  struct Path {
    std::string windows;
    std::string posix;
  };
  // The path in argument `index` of the command being run, as the scenario wrote it (UTF-8):
  // a POSIX path is taken as it is, so a folder the code page cannot spell is reached too.
  Path ArgPath(std::size_t index) const;
  dde::ScriptedServer& Scripted(const char* command);
  void EmitEngineOutcomes() {
    for (auto& text : transport_.TakeOutcomes()) transcript_.Emit({{"event", "engine"}, {"text", text}});
  }

  void Open(const Args& a);
  // The active project's component lines that could not be resolved, as `unresolved` events.
  void EmitUnresolved();
  void Edit(const Args& a);
  void ReadOnly(const Args& a);
  void AddinInstall(const Args& a);
  void SetWindir(const Args& a);
  void AnswerMsgbox(const Args& a);
  void EngineScripted(const Args& a);
  void EngineReply(const Args& a);
  void EngineRefuse(const Args& a);
  void EngineAbsent(const Args& a);
  void EngineStatus(const Args& a);
  void EngineComment(const Args& a);
  void EngineReal(const Args& a);
  void ShowStates(const Args& a);
  void AddinConnectAddIn(const Args& a);
  void AddinDisconnectAddIn(const Args& a);
  void AddinRcnct(const Args& a);
  void NewProject(const Args& a);
  void ShowLinks(const Args& a);
  void ShowLockMode(const Args& a);
  void SetIde(const Args& a);
  void SetClipboard(const Args& a);
  void AddinMain(const Args& a);
  void AddinConnect(const Args& a);
  void AddinDisconnect(const Args& a);
  void AddinStartupComplete(const Args& a);
  void AddinAddInsUpdate(const Args& a);
  void Click(const Args& a);
  void ShowBars(const Args& a);
  void ShowClipboard(const Args& a);
  void ShowAddins(const Args& a);
  void BarRemove(const Args& a);
  void AnswerDialog(const Args& a);
  void ShowDialog(const Args& a);
  void SetScreen(const Args& a);
  void Save(const Args& a);
  void SaveAs(const Args& a);
  void RaiseEvent(const Args& a);
  void Select(const Args& a);
  void Request(const Args& a);

  // Delivers one file-control event to every live sink and reports it; answers whether a sink
  // cancelled it.
  bool FileEvent(const std::string& name, nlohmann::ordered_json args,
                 const std::function<void(platform::ide::FileControlEvents&, bool& cancel)>& deliver);
  // The IDE writes a file: asked of the sinks first, then written unless one refused.
  bool WriteThroughIde(const std::string& windows_path, const std::string& contents);
  std::string ContentsOf(const std::string& windows_path) const;
  std::shared_ptr<HostProject> ActiveOrFail() const;

  // One thing a person does on a modal form.
  void Perform(vb::Form& form, const DialogAction& action);

  // The add-in's process, started when the connect class is first created and again after the
  // add-in has ended.
  norb::MainModule& Module();
  norb::nvb5VersionControl& ConnectClass();
  // A call into the add-in; a run-time error that reaches the host goes into the transcript.
  template <class F>
  void CallAddin(const char* where, F&& f);
  std::string WindowsDirectory();

  struct CommandHandler {
    std::string_view verb;
    std::string_view object;
    void (Impl::*run)(const Args&);
  };
  static const CommandHandler kHandlers[];

  Transcript transcript_;
  std::string install_dir_;
  bool stop_launched_;
  EngineTransport transport_;
  std::string folder_;
  std::vector<std::string> utf8_args_;  // of the command being run
  posix::PathResolver resolver_;
  ConnectionNumbers numbers_;
  std::shared_ptr<HostApplication> app_;
  ScriptedDesktop desktop_;
  ScriptedUi ui_;
  HostClipboard clipboard_;
  posix::ShellPosix real_shell_{resolver_};
  HostShell shell_;
  posix::FileSystemPosix files_{resolver_};
  dde::TextBoxLinks links_;
  std::shared_ptr<HostVBE> vbe_;
  std::unique_ptr<HostWin32> win32_;
  std::unique_ptr<vb::Process<norb::MainModule>> process_;
  std::weak_ptr<norb::nvb5VersionControl> connect_;
  std::unique_ptr<dde::ScriptedServer> scripted_;
  EngineMode engine_ = EngineMode::Real;
  std::optional<std::string> windir_;
  std::string temp_windir_;
};

// What each command of the scenario language does; its syntax is host/scenario_commands.cpp.
const ScenarioRunner::Impl::CommandHandler ScenarioRunner::Impl::kHandlers[] = {
    {"open", "", &Impl::Open},
    {"edit", "", &Impl::Edit},
    {"readonly", "", &Impl::ReadOnly},
    {"addin", "install", &Impl::AddinInstall},
    {"set", "windir", &Impl::SetWindir},
    {"answer", "msgbox", &Impl::AnswerMsgbox},
    {"engine", "scripted", &Impl::EngineScripted},
    {"engine", "reply", &Impl::EngineReply},
    {"engine", "refuse", &Impl::EngineRefuse},
    {"engine", "absent", &Impl::EngineAbsent},
    {"engine", "status", &Impl::EngineStatus},
    {"engine", "real", &Impl::EngineReal},
    {"engine", "comment", &Impl::EngineComment},
    {"show", "states", &Impl::ShowStates},
    {"show", "links", &Impl::ShowLinks},
    {"show", "lockmode", &Impl::ShowLockMode},
    {"addin", "connectaddin", &Impl::AddinConnectAddIn},
    {"addin", "disconnectaddin", &Impl::AddinDisconnectAddIn},
    {"addin", "rcnct", &Impl::AddinRcnct},
    {"new", "project", &Impl::NewProject},
    {"set", "ide", &Impl::SetIde},
    {"set", "clipboard", &Impl::SetClipboard},
    {"addin", "main", &Impl::AddinMain},
    {"addin", "connect", &Impl::AddinConnect},
    {"addin", "disconnect", &Impl::AddinDisconnect},
    {"addin", "startupcomplete", &Impl::AddinStartupComplete},
    {"addin", "addinsupdate", &Impl::AddinAddInsUpdate},
    {"click", "", &Impl::Click},
    {"show", "bars", &Impl::ShowBars},
    {"show", "clipboard", &Impl::ShowClipboard},
    {"show", "addins", &Impl::ShowAddins},
    {"bar", "remove", &Impl::BarRemove},
    {"answer", "dialog", &Impl::AnswerDialog},
    {"show", "dialog", &Impl::ShowDialog},
    {"set", "screen", &Impl::SetScreen},
    {"save", "", &Impl::Save},
    {"saveas", "", &Impl::SaveAs},
    {"event", "", &Impl::RaiseEvent},
    {"select", "", &Impl::Select},
    {"request", "", &Impl::Request},
};

void ScenarioRunner::Impl::Run(const Args& words, const std::string& folder) {
  if (words.empty()) return;
  folder_ = folder;
  MatchedCommand matched = MatchScenarioCommand(words);
  for (const auto& handler : kHandlers) {
    if (handler.verb != matched.command->verb || handler.object != matched.command->object) continue;
    utf8_args_ = std::move(matched.arguments);
    // The add-in's world is the code page.
    Args args;
    for (const auto& word : utf8_args_) args.push_back(vb::ActiveCodePage().FromUtf8Lossy(word));
    (this->*handler.run)(args);
    EmitEngineOutcomes();
    return;
  }
  throw ScenarioError("no handler for " + std::string(matched.command->usage));
}

ScenarioRunner::Impl::Path ScenarioRunner::Impl::ArgPath(std::size_t index) const {
  const std::string& word = utf8_args_.at(index);
  try {
    if (IsWindowsAbsolute(word)) {
      std::optional<std::string> windows = vb::ActiveCodePage().FromUtf8(word);
      if (!windows) {
        throw ScenarioError("path " + word + ": code page " + std::to_string(vb::ActiveCodePage().number()) +
                            " cannot spell it; give the POSIX path");
      }
      return {*windows, resolver_.ToPosix(*windows)};
    }
    std::string posix = word;
    if (posix.empty() || posix[0] != '/') posix = folder_ + "/" + posix;
    return {resolver_.ToWindows(posix), resolver_.ToPosix(resolver_.ToWindows(posix))};
  } catch (const vb::Error& e) {
    throw ScenarioError("path " + word + ": " + e.description());
  }
}

void ScenarioRunner::Impl::Open(const Args& a) {
  Path p = ArgPath(0);
  std::string windows = p.windows;
  try {
    // A project group opens with its startup project active.
    windows = ProjectToOpen(p.windows, resolver_);
    app_->SetActive(HostProject::Load(windows, resolver_, *this, numbers_));
  } catch (const vb::Error& e) {
    // Every other error names its file already; a group's missing startup project is named here.
    bool unnamed = e.number() == vb::err::FileNotFound && windows != p.windows;
    throw ScenarioError("cannot open " + a[0] + ": " + (unnamed ? windows + ": " : "") + e.description());
  }
  EmitUnresolved();
}

void ScenarioRunner::Impl::EmitUnresolved() {
  auto project = app_->active();
  if (!project) return;
  for (const auto& entry : project->unresolved()) {
    transcript_.Emit({{"event", "unresolved"},
                      {"project", project->FileName()},
                      {"line", entry.line},
                      {"entry", entry.text},
                      {"reason", entry.reason}});
  }
}

void ScenarioRunner::Impl::Edit(const Args& a) {
  auto project = app_->active();
  if (!project) throw ScenarioError("no project is open");
  if (a[0] == "project") {
    project->SetDirtyQuietly(true);
    return;
  }
  auto c = project->FindComponent(a[0]);
  if (!c) throw ScenarioError("the project has no component " + a[0]);
  c->SetDirty(true);
}

void ScenarioRunner::Impl::ReadOnly(const Args& a) {
  if (a[1] != "on" && a[1] != "off") throw ScenarioError("usage: readonly PATH on|off");
  Path p = ArgPath(0);
  if (!posix::SetReadOnly(p.posix, a[1] == "on")) throw ScenarioError("cannot change " + a[0]);
}

void ScenarioRunner::Impl::AddinInstall(const Args&) { install_dir_ = ArgPath(0).posix; }

void ScenarioRunner::Impl::SetWindir(const Args&) { windir_ = ArgPath(0).posix; }

void ScenarioRunner::Impl::AnswerMsgbox(const Args& a) {
  if (a[0] != "OK" && a[0] != "Yes" && a[0] != "No") throw ScenarioError("usage: answer msgbox OK|Yes|No");
  desktop_.QueueAnswer(a[0]);
}

dde::ScriptedServer& ScenarioRunner::Impl::Scripted(const char* command) {
  if (!scripted_) throw ScenarioError(std::string(command) + " needs \"engine scripted\" first");
  return *scripted_;
}

void ScenarioRunner::Impl::EngineScripted(const Args&) {
  if (!scripted_) scripted_ = std::make_unique<dde::ScriptedServer>(transport_.in_process());
  engine_ = EngineMode::Scripted;
  transport_.UseRealEngine(false);
  shell_.SetReal(nullptr);
}

void ScenarioRunner::Impl::EngineReply(const Args& a) {
  Scripted("engine reply").Reply(a[0], Args(a.begin() + 1, a.end()));
}

void ScenarioRunner::Impl::EngineRefuse(const Args& a) { Scripted("engine refuse").Refuse(a[0]); }

void ScenarioRunner::Impl::EngineAbsent(const Args&) {
  scripted_.reset();
  engine_ = EngineMode::Absent;
  transport_.UseRealEngine(false);
  shell_.SetReal(nullptr);
}

void ScenarioRunner::Impl::EngineReal(const Args&) {
  scripted_.reset();
  engine_ = EngineMode::Real;
  transport_.UseRealEngine(true);
  shell_.SetReal(&real_shell_);
}

void ScenarioRunner::Impl::EngineStatus(const Args& a) { Scripted("engine status").SetStatus(a[0]); }

// A person's own command to the engine, on a conversation of its own beside the add-in's links.
void ScenarioRunner::Impl::EngineComment(const Args& a) {
  std::string command = "COMMENT";
  for (const auto& word : a) command += " " + word;
  nlohmann::ordered_json e{{"event", "engine-command"}, {"command", command}};
  try {
    transport_.Initiate("WNORB16", "frmMain")->Execute(command);
    e["ok"] = true;
  } catch (const vb::Error& error) {
    e["ok"] = false;
    e["number"] = error.number();
  }
  transcript_.Emit(e);
}

void ScenarioRunner::Impl::ShowStates(const Args&) {
  nlohmann::ordered_json components = nlohmann::ordered_json::object();
  if (auto p = app_->active()) {
    for (const auto& c : p->components()) components[c->Name()] = c->State();
  }
  transcript_.Emit({{"event", "states"}, {"show", true}, {"components", components}});
}

std::string ScenarioRunner::Impl::WindowsDirectory() {
  if (windir_) return *windir_;
  if (const char* env = std::getenv("WINDIR"); env && *env) return env;
  if (temp_windir_.empty()) {
    // A run of its own, in which the add-in is already registered.
    std::optional<std::string> folder = posix::MakeTempFolder("vbhost-windir-");
    if (!folder) throw ScenarioError("cannot make a Windows directory for the run");
    temp_windir_ = *folder;
    posix::WriteWholeFile(temp_windir_ + "/vbaddin.ini", "[Add-Ins32]\r\nNORBVB5.nvb5VersionControl=0\r\n");
  }
  return temp_windir_;
}

norb::MainModule& ScenarioRunner::Impl::Module() {
  if (process_ && process_->alive()) return *process_->state();
  std::string install = resolver_.ToWindows(install_dir_);
  std::string module_path = CombineWindowsPath(install, "NORBVB5.EXE");
  win32_ =
      std::make_unique<HostWin32>(transcript_, posix::Win32Posix(resolver_, WindowsDirectory(), module_path));
  platform::Services services{*win32_, files_, shell_, desktop_, clipboard_, ui_, links_};
  std::string app_path =
      install.size() > 3 && install.back() == '\\' ? install.substr(0, install.size() - 1) : install;
  process_ = std::make_unique<vb::Process<norb::MainModule>>(norb::StartProcess(services, app_path));
  process_->OnEnded([this] { transcript_.Emit({{"event", "end"}}); });
  connect_.reset();
  // As the runtime did for the add-in's executable, every start runs Sub Main first.
  norb::MainModule& m = *process_->state();
  CallAddin("Sub Main", [&] { m.Main(); });
  if (!process_->alive()) throw ScenarioError("the add-in ended while it started");
  return *process_->state();
}

norb::nvb5VersionControl& ScenarioRunner::Impl::ConnectClass() {
  norb::MainModule& m = Module();
  auto c = connect_.lock();
  if (!c) {
    c = m.CreateConnectClass();
    connect_ = c;
  }
  return *c;
}

template <class F>
void ScenarioRunner::Impl::CallAddin(const char* where, F&& f) {
  if (!process_) return;
  try {
    process_->Call(std::forward<F>(f));
  } catch (const vb::Error& e) {
    transcript_.Emit(
        {{"event", "error"}, {"where", where}, {"number", e.number()}, {"description", e.description()}});
  }
}

void ScenarioRunner::Impl::AddinConnectAddIn(const Args&) {
  norb::nvb5VersionControl& c = ConnectClass();
  CallAddin("ConnectAddIn", [&] { c.ConnectAddIn(app_); });
}

void ScenarioRunner::Impl::AddinDisconnectAddIn(const Args&) {
  norb::nvb5VersionControl& c = ConnectClass();
  CallAddin("DisconnectAddIn", [&] { c.DisconnectAddIn(0); });
}

void ScenarioRunner::Impl::AddinRcnct(const Args&) {
  norb::MainModule& m = Module();
  CallAddin("rcnct", [&] { m.rcnct(); });
}

void ScenarioRunner::Impl::NewProject(const Args&) {
  auto project = HostProject::NewUnsaved(resolver_, *this, numbers_);
  app_->SetActive(project);
  std::string name = project->Name();
  FileEvent("AfterNewProject", {{"projectname", name}},
            [&](platform::ide::FileControlEvents& s, bool&) { s.AfterNewProject(name); });
}

void ScenarioRunner::Impl::ShowLinks(const Args&) {
  nlohmann::ordered_json links = nlohmann::ordered_json::array();
  if (process_ && process_->alive() && process_->state()->frmDDE.Loaded()) {
    auto& dde_form = *process_->state()->frmDDE;
    for (vb::TextBox* box : {&dde_form.Text1, &dde_form.Text2}) {
      links.push_back({{"control", box->Name()},
                       {"topic", box->LinkTopic()},
                       {"item", box->LinkItem()},
                       {"mode", box->LinkMode()},
                       {"text", box->Text()}});
    }
  }
  transcript_.Emit({{"event", "links"}, {"show", true}, {"links", links}});
}

void ScenarioRunner::Impl::ShowLockMode(const Args&) {
  nlohmann::ordered_json e{{"event", "lockmode"}, {"show", true}, {"value", app_->LockMode()}};
  if (process_ && process_->alive()) e["gLockMode"] = process_->state()->gLockMode;
  transcript_.Emit(e);
}

void ScenarioRunner::Impl::SetIde(const Args& a) {
  if (!IsWindowsAbsolute(a[0])) throw ScenarioError("set ide takes a Windows path (C:\\...\\VB5.EXE)");
  vbe_->SetFullName(a[0]);
}

void ScenarioRunner::Impl::SetClipboard(const Args& a) { clipboard_.Put(a[0]); }

void ScenarioRunner::Impl::AddinMain(const Args&) {
  norb::MainModule& m = Module();
  CallAddin("Sub Main", [&] { m.Main(); });
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

void ScenarioRunner::Impl::AddinConnect(const Args& a) {
  long mode = ModeArgument(a, "connect");
  norb::nvb5VersionControl& c = ConnectClass();
  std::vector<std::string> custom;
  CallAddin("OnConnection", [&] { c.OnConnection(vbe_, mode, nullptr, custom); });
}

void ScenarioRunner::Impl::AddinDisconnect(const Args& a) {
  long mode = ModeArgument(a, "disconnect");
  norb::nvb5VersionControl& c = ConnectClass();
  std::vector<std::string> custom;
  CallAddin("OnDisconnection", [&] { c.OnDisconnection(mode, custom); });
}

void ScenarioRunner::Impl::AddinStartupComplete(const Args&) {
  norb::nvb5VersionControl& c = ConnectClass();
  std::vector<std::string> custom;
  CallAddin("OnStartupComplete", [&] { c.OnStartupComplete(custom); });
}

void ScenarioRunner::Impl::AddinAddInsUpdate(const Args&) {
  norb::nvb5VersionControl& c = ConnectClass();
  std::vector<std::string> custom;
  CallAddin("OnAddInsUpdate", [&] { c.OnAddInsUpdate(custom); });
}

void ScenarioRunner::Impl::Click(const Args& a) {
  auto bar = vbe_->bars().Find(a[0]);
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
  for (const auto& sink : control->Subscribers()) {
    bool handled = false;
    bool cancel_default = false;
    CallAddin("Click", [&] { sink->Click(control, handled, cancel_default); });
  }
}

void ScenarioRunner::Impl::ShowBars(const Args&) {
  transcript_.Emit({{"event", "bars"}, {"show", true}, {"bars", BarsJson(vbe_->bars())}});
}

void ScenarioRunner::Impl::ShowClipboard(const Args&) {
  transcript_.Emit(
      {{"event", "clipboard"}, {"show", true}, {"content", ClipboardJson(clipboard_.content())}});
}

void ScenarioRunner::Impl::ShowAddins(const Args&) {
  nlohmann::ordered_json entries = nlohmann::ordered_json::object();
  if (auto text = posix::ReadWholeFile(WindowsDirectory() + "/vbaddin.ini")) {
    // As the IDE reads it: the first line of a key counts.
    for (auto& [key, value] : posix::ProfileSection(*text, "Add-Ins32")) {
      if (!entries.contains(key)) entries[key] = value;
    }
  }
  transcript_.Emit({{"event", "addins"}, {"show", true}, {"entries", entries}});
}

void ScenarioRunner::Impl::BarRemove(const Args& a) {
  if (!vbe_->bars().Remove(a[0])) throw ScenarioError("the IDE has no command bar " + a[0]);
}

namespace {
// The actions of `answer dialog`, with how many words each takes after it.

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
    CallAddin("TabStrip", [&] { tabs->ClickTab(index); });
  } else if (v == "check" || v == "uncheck" || v == "click") {
    auto* box = dynamic_cast<vb::CheckBox*>(form.FindControl(arg));
    if (!box) throw ScenarioError(form.Name() + " has no check box " + arg);
    if (v == "click") {
      CallAddin("CheckBox", [&] { box->MouseClick(); });
    } else {
      CallAddin("CheckBox", [&] { box->SetValue(v == "check" ? vb::vbChecked : vb::vbUnchecked); });
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
    CallAddin("Toolbar", [&] { found = bar->Press(arg); });
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
    CallAddin("ColumnClick", [&] { list->ClickColumn(n); });
  } else if (v == "help") {
    auto* help = dynamic_cast<vb::CommandButton*>(form.FindControl("cmdHelp"));
    if (!help) throw ScenarioError(form.Name() + " has no Help button");
    CallAddin("cmdHelp", [&] { help->Press(); });
  } else if (v == "ok" || v == "cancel") {
    vb::CommandButton* b =
        ButtonWhere(form, v == "ok" ? &vb::CommandButton::Default : &vb::CommandButton::Cancel);
    if (!b) throw ScenarioError(form.Name() + " has no " + (v == "ok" ? "default" : "cancel") + " button");
    CallAddin(v == "ok" ? "OK" : "Cancel", [&] { b->Press(); });
  } else if (v == "close") {
    CallAddin("Close", [&] { form.Unload(); });
  }
}

void ScenarioRunner::Impl::AnswerDialog(const Args& a) {
  std::string form_name = a[0];
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
  nlohmann::ordered_json e{{"event", "dialog"}, {"show", true}, {"form", a[0]}};
  nlohmann::ordered_json view = DescribeForm(*form);
  for (auto& [key, value] : view.items()) e[key] = value;
  transcript_.Emit(e);
}

void ScenarioRunner::Impl::SetScreen(const Args& a) {
  try {
    ui_.SetScreen(std::stol(a[0]), std::stol(a[1]));
  } catch (const std::exception&) {
    throw ScenarioError("usage: set screen WIDTH HEIGHT, in twips");
  }
}

namespace {
// The IDE's file-type codes of the file-control events.
int FileTypeOf(ComponentKind kind) {
  switch (kind) {
    case ComponentKind::Form:
      return 0;
    case ComponentKind::Module:
      return 1;
    case ComponentKind::Class:
      return 2;
    case ComponentKind::ResourceFile:
      return 5;
    case ComponentKind::UserControl:
      return 6;
    case ComponentKind::PropertyPage:
      return 7;
    case ComponentKind::UserDocument:
      return 8;
    case ComponentKind::RelatedDocument:
      return 9;
    case ComponentKind::Designer:
      return 11;
  }
  return 9;
}

// The twelve file-control events with their parameters, for `event NAME ARGS...`.
struct FileEventSpec {
  std::string_view name;
  std::vector<std::string_view> parameters;  // a last "FileNames" takes every remaining word
};
const std::vector<FileEventSpec>& FileEvents() {
  static const std::vector<FileEventSpec> events = {
      {"AfterAddFile", {"filename"}},
      {"AfterChangeFileName", {"FileType", "NewName", "OldName"}},
      {"AfterCloseFile", {"FileNames"}},
      {"AfterRemoveFile", {"filename"}},
      {"AfterWriteFile", {"filename", "Success"}},
      {"BeforeLoadFile", {"FileNames"}},
      {"DoGetAddFileName", {"FileNames"}},
      {"DoGetNewFileName", {"FileType", "NewName", "OldName"}},
      {"DoGetOpenProjectName", {"projectname"}},
      {"AfterNewProject", {"projectname"}},
      {"RequestChangeFileName", {"FileType", "NewName", "OldName"}},
      {"RequestWriteFile", {"filename"}},
  };
  return events;
}
}  // namespace

bool ScenarioRunner::Impl::FileEvent(
    const std::string& name, nlohmann::ordered_json args,
    const std::function<void(platform::ide::FileControlEvents&, bool& cancel)>& deliver) {
  bool cancel = false;
  for (const auto& sink : app_->file_control().Sinks()) {
    CallAddin(name.c_str(), [&] { deliver(*sink, cancel); });
  }
  transcript_.Emit({{"event", "fileevent"}, {"name", name}, {"args", std::move(args)}, {"cancel", cancel}});
  return cancel;
}

std::string ScenarioRunner::Impl::ContentsOf(const std::string& windows_path) const {
  return posix::ReadWholeFile(resolver_.ToPosix(windows_path)).value_or(std::string());
}

bool ScenarioRunner::Impl::WriteThroughIde(const std::string& windows_path, const std::string& contents) {
  std::string filename = windows_path;
  bool refused = FileEvent(
      "RequestWriteFile", {{"filename", filename}},
      [&](platform::ide::FileControlEvents& s, bool& cancel) { s.RequestWriteFile(filename, cancel); });
  bool written = false;
  if (!refused) {
    try {
      posix::WriteWholeFile(resolver_.ToPosix(windows_path), contents);
      written = true;
    } catch (const vb::Error&) {
      written = false;
    }
  }
  transcript_.Emit({{"event", "write"}, {"path", windows_path}, {"written", written}});
  if (!refused) {
    int success = written ? -1 : 0;
    FileEvent("AfterWriteFile", {{"filename", filename}, {"Success", success}},
              [&](platform::ide::FileControlEvents& s, bool&) { s.AfterWriteFile(filename, success); });
  }
  return written;
}

std::shared_ptr<HostProject> ScenarioRunner::Impl::ActiveOrFail() const {
  auto project = app_->active();
  if (!project) throw ScenarioError("no project is open");
  return project;
}

void ScenarioRunner::Impl::Save(const Args& a) {
  auto project = ActiveOrFail();
  if (a[0] == "project") {
    if (project->FileName().empty())
      throw ScenarioError("the project was never saved: use saveas project PATH");
    if (WriteThroughIde(project->FileName(), FormatProjectFile(project->file())))
      project->SetDirtyQuietly(false);
    return;
  }
  auto c = project->FindComponent(a[0]);
  if (!c) throw ScenarioError("the project has no component " + a[0]);
  bool all = true;
  for (const auto& file : c->files()) all = WriteThroughIde(file, ContentsOf(file)) && all;
  if (all) c->SetDirty(false);
}

void ScenarioRunner::Impl::SaveAs(const Args& a) {
  auto project = ActiveOrFail();
  std::string new_name = ArgPath(1).windows;
  if (a[0] == "project") {
    std::string old_name = project->FileName();
    int file_type = platform::ide::vbext_ft_Project;
    bool cancel =
        FileEvent("DoGetNewFileName", {{"FileType", file_type}, {"NewName", new_name}, {"OldName", old_name}},
                  [&](platform::ide::FileControlEvents& s, bool& c) {
                    s.DoGetNewFileName(file_type, new_name, old_name, c);
                  });
    if (cancel) return;
    // Elsewhere than before, the component lines name their files in full.
    ProjectFile& file = project->mutable_file();
    if (vb::LCase(WindowsFolderOf(new_name)) != vb::LCase(WindowsFolderOf(old_name))) {
      for (std::size_t i = 0; i < file.components.size() && i < project->components().size(); ++i) {
        file.components[i].path = project->components()[i]->files()[0];
      }
    }
    if (!WriteThroughIde(new_name, FormatProjectFile(file))) return;
    project->SetFileName(new_name);
    project->SetDirtyQuietly(false);
    FileEvent("AfterChangeFileName", {{"FileType", file_type}, {"NewName", new_name}, {"OldName", old_name}},
              [&](platform::ide::FileControlEvents& s, bool&) {
                s.AfterChangeFileName(file_type, new_name, old_name);
              });
    return;
  }
  auto c = project->FindComponent(a[0]);
  if (!c) throw ScenarioError("the project has no component " + a[0]);
  std::string old_name = c->files()[0];
  int file_type = FileTypeOf(c->kind());
  bool cancel =
      FileEvent("DoGetNewFileName", {{"FileType", file_type}, {"NewName", new_name}, {"OldName", old_name}},
                [&](platform::ide::FileControlEvents& s, bool& cc) {
                  s.DoGetNewFileName(file_type, new_name, old_name, cc);
                });
  if (cancel) return;
  // The companion follows the main file's new name.
  std::vector<std::string> files{new_name};
  if (c->files().size() == 2) {
    std::string main_ext = ExtensionOf(new_name);
    std::string base = main_ext.empty() ? new_name : new_name.substr(0, new_name.size() - main_ext.size());
    files.push_back(base + ExtensionOf(c->files()[1]));
  }
  bool all = true;
  for (std::size_t i = 0; i < files.size(); ++i)
    all = WriteThroughIde(files[i], ContentsOf(c->files()[i])) && all;
  if (!all) return;
  c->SetFiles(files);
  c->SetDirty(false);
  // The project file's line for it now names the new file.
  const auto& comps = project->components();
  ProjectFile& file = project->mutable_file();
  for (std::size_t i = 0; i < comps.size() && i < file.components.size(); ++i) {
    if (comps[i] == c) file.components[i].path = new_name;
  }
  project->SetDirtyQuietly(true);
  FileEvent("AfterChangeFileName", {{"FileType", file_type}, {"NewName", new_name}, {"OldName", old_name}},
            [&](platform::ide::FileControlEvents& s, bool&) {
              s.AfterChangeFileName(file_type, new_name, old_name);
            });
}

void ScenarioRunner::Impl::RaiseEvent(const Args& a) {
  const FileEventSpec* entry = nullptr;
  for (const auto& e : FileEvents()) {
    if (e.name == a[0]) entry = &e;
  }
  if (!entry) throw ScenarioError("unknown file event " + a[0]);
  Args rest(a.begin() + 1, a.end());
  bool list = entry->parameters.size() == 1 && entry->parameters[0] == "FileNames";
  if (!list && rest.size() != entry->parameters.size()) {
    std::string usage = "usage: event " + a[0];
    for (auto p : entry->parameters) usage += " " + std::string(p);
    throw ScenarioError(usage);
  }
  nlohmann::ordered_json args = nlohmann::ordered_json::object();
  if (list) {
    args["FileNames"] = rest;
  } else {
    for (std::size_t i = 0; i < rest.size(); ++i) args[std::string(entry->parameters[i])] = rest[i];
  }
  auto number = [&](const std::string& word) {
    try {
      return std::stoi(word);
    } catch (const std::exception&) {
      throw ScenarioError("event " + a[0] + ": " + word + " is not a number");
    }
  };
  const std::string& n = a[0];
  if (list) {
    std::vector<std::string> names = rest;
    FileEvent(n, args, [&](platform::ide::FileControlEvents& s, bool& cancel) {
      if (n == "AfterCloseFile") s.AfterCloseFile(names);
      if (n == "BeforeLoadFile") s.BeforeLoadFile(names);
      if (n == "DoGetAddFileName") s.DoGetAddFileName(names, cancel);
    });
    return;
  }
  if (entry->parameters[0] == "FileType") {
    int type = number(rest[0]);
    args["FileType"] = type;
    std::string new_name = rest[1];
    std::string old_name = rest[2];
    FileEvent(n, args, [&](platform::ide::FileControlEvents& s, bool& cancel) {
      if (n == "AfterChangeFileName") s.AfterChangeFileName(type, new_name, old_name);
      if (n == "DoGetNewFileName") s.DoGetNewFileName(type, new_name, old_name, cancel);
      if (n == "RequestChangeFileName") s.RequestChangeFileName(type, new_name, old_name, cancel);
    });
    return;
  }
  std::string first = rest[0];
  int success = n == "AfterWriteFile" ? number(rest[1]) : 0;
  if (n == "AfterWriteFile") args["Success"] = success;
  FileEvent(n, args, [&](platform::ide::FileControlEvents& s, bool& cancel) {
    if (n == "AfterAddFile") s.AfterAddFile(first);
    if (n == "AfterRemoveFile") s.AfterRemoveFile(first);
    if (n == "AfterWriteFile") s.AfterWriteFile(first, success);
    if (n == "DoGetOpenProjectName") s.DoGetOpenProjectName(first, cancel);
    if (n == "AfterNewProject") s.AfterNewProject(first);
    if (n == "RequestWriteFile") s.RequestWriteFile(first, cancel);
  });
}

void ScenarioRunner::Impl::Select(const Args& a) {
  auto project = ActiveOrFail();
  std::vector<std::shared_ptr<HostComponent>> selection;
  for (const auto& name : a) {
    auto c = project->FindComponent(name);
    if (!c) throw ScenarioError("the project has no component " + name);
    selection.push_back(c);
  }
  project->Select(std::move(selection));
}

void ScenarioRunner::Impl::Request(const Args& a) {
  using Method = void (platform::ide::ProjectEvents::*)();
  Method method = nullptr;
  if (a[0] == "CheckOut") method = &platform::ide::ProjectEvents::CheckOut;
  if (a[0] == "CheckIn") method = &platform::ide::ProjectEvents::CheckIn;
  if (a[0] == "Fetch") method = &platform::ide::ProjectEvents::Fetch;
  if (a[0] == "UnCheckOut") method = &platform::ide::ProjectEvents::UnCheckOut;
  if (!method) throw ScenarioError("usage: request CheckOut|CheckIn|Fetch|UnCheckOut");
  for (const auto& sink : ActiveOrFail()->Sinks()) CallAddin(a[0].c_str(), [&] { ((*sink).*method)(); });
}

ScenarioRunner::ScenarioRunner(std::ostream& transcript, RunnerOptions options)
    : impl_(std::make_unique<Impl>(transcript, std::move(options))) {}

ScenarioRunner::~ScenarioRunner() = default;

void ScenarioRunner::RunLine(const std::vector<std::string>& words, const std::string& folder) {
  impl_->Run(words, folder);
}

void ScenarioRunner::RunFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ScenarioError(path + ": cannot read the scenario");
  std::string folder = ".";
  if (auto slash = path.rfind('/'); slash != std::string::npos)
    folder = path.substr(0, slash == 0 ? 1 : slash);
  if (folder[0] != '/') folder = posix::CurrentDirectory() + "/" + folder;
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
