#include "host/ide_session.hpp"

#include <cstdlib>

#include "addin/main_module.hpp"
#include "addin/shell/nvb5_version_control.hpp"
#include "dde/scripted_server.hpp"
#include "host/real_services.hpp"
#include "posix/file_ops.hpp"
#include "posix/private_profile.hpp"
#include "posix/whole_file.hpp"
#include "posix/windows_path.hpp"
#include "vbrt/error.hpp"
#include "vbrt/strings.hpp"

namespace vbhost {

using posix::CombineWindowsPath;
using posix::ExtensionOf;
using posix::WindowsFolderOf;

namespace {
// The title of the IDE's own message boxes; the add-in's have none.
constexpr std::string_view kHostTitle = "vbhost";
constexpr std::string_view kNotFound = "NotFound";

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
}  // namespace

IdeSession::IdeSession(HostObserver& observer, PersonSeams person, SessionOptions options)
    : observer_(observer),
      desktop_(person.desktop),
      ui_(person.ui),
      install_dir_(std::move(options.install_dir)),
      stop_launched_(options.stop_launched_at_exit),
      transport_(options.bus_address),
      app_(std::make_shared<HostApplication>(*this, numbers_)),
      clipboard_(person.clipboard),
      real_shell_(RealShell(resolver_)),
      shell_(observer_, real_shell_.get()),
      files_(RealFiles(resolver_)),
      links_(transport_, this),
      vbe_(std::make_shared<HostVBE>(observer_, clipboard_, app_,
                                     CombineWindowsPath(resolver_.ToWindows(install_dir_), "VB5.EXE"))) {
  // A started program is the only server a link may wait for. The add-in's start-up launches
  // nothing when it finds no engine executable, so its links then fail at once.
  shell_.OnStarted([this] { transport_.ServerLaunched(); });
  transport_.OnAwait([this](std::string_view application) {
    observer_.Emit(events::Await{std::string(application)});
    observer_.Flush();
  });
}

IdeSession::~IdeSession() {
  if (stop_launched_) {
    for (double task : shell_.started()) StopLaunched(task);
  }
  if (!temp_windir_.empty()) {
    posix::RemoveFile(temp_windir_ + "/" + std::string(norb::kAddInList));
    posix::RemoveEmptyFolder(temp_windir_);
  }
}

norb::MainModule* IdeSession::module() { return process_ ? process_->state() : nullptr; }

std::string IdeSession::WindowsDirectory() {
  std::string folder;
  if (windir_) {
    folder = *windir_;
  } else if (const char* env = std::getenv("WINDIR"); env && *env) {
    folder = env;
    registration_ = Registration::Ensured;
  } else {
    if (temp_windir_.empty()) {
      // A session of its own, which never touches the user's files.
      std::optional<std::string> made = posix::MakeTempFolder("vbhost-windir-");
      if (!made) throw SessionError("cannot make a Windows directory for the run");
      temp_windir_ = *made;
    }
    folder = temp_windir_;
    registration_ = Registration::Ensured;
  }
  if (registration_ == Registration::Ensured && !registered_) {
    registered_ = true;
    // Read and written as the add-in does, so that its Sub Main then finds the entry. A folder
    // that cannot take it is left to the add-in's own failure message.
    std::unique_ptr<platform::Win32> profile = RealWin32(resolver_, folder, "");
    std::string buffer(256, '\0');
    long n = profile->GetPrivateProfileStringA(norb::kAddInsSection, norb::kAddInKey, kNotFound, buffer, 256,
                                               norb::kAddInList);
    if (buffer.substr(0, static_cast<std::size_t>(n)) == kNotFound)
      profile->WritePrivateProfileStringA(norb::kAddInsSection, norb::kAddInKey, "0", norb::kAddInList);
  }
  return folder;
}

std::vector<std::pair<std::string, std::string>> IdeSession::RegisteredAddIns() {
  std::vector<std::pair<std::string, std::string>> entries;
  if (auto text = posix::ReadWholeFile(WindowsDirectory() + "/" + std::string(norb::kAddInList))) {
    for (auto& [key, value] : posix::ProfileSection(*text, norb::kAddInsSection)) {
      bool known = false;
      for (const auto& entry : entries) known = known || entry.first == key;
      if (!known) entries.emplace_back(key, value);
    }
  }
  return entries;
}

// ---- The engine

void IdeSession::UseRealEngine() {
  scripted_.reset();
  transport_.UseRealEngine(true);
  shell_.SetReal(real_shell_.get());
}

dde::ScriptedServer& IdeSession::UseScriptedEngine() {
  if (!scripted_) scripted_ = std::make_unique<dde::ScriptedServer>(transport_.in_process());
  transport_.UseRealEngine(false);
  shell_.SetReal(nullptr);
  return *scripted_;
}

void IdeSession::UseNoEngine() {
  scripted_.reset();
  transport_.UseRealEngine(false);
  shell_.SetReal(nullptr);
}

void IdeSession::Pump() {
  transport_.Pump();
  ReportEngineOutcomes();
}

void IdeSession::ReportEngineOutcomes() {
  for (auto& text : transport_.TakeOutcomes()) observer_.Emit(events::EngineOutcome{std::move(text)});
}

void IdeSession::SetCheckInComment(std::string_view comment) { TellEngine("COMMENT", comment); }

void IdeSession::SetNextVersion(std::string_view version) { TellEngine("VERSION", version); }

// The engine answers on its status item of the same connection, as it answers the add-in.
std::string IdeSession::TellEngine(std::string_view word, std::string_view text) {
  std::string command(word);
  if (!text.empty()) command += " " + std::string(text);
  events::EngineCommand e{command, false, std::nullopt, std::nullopt};
  std::string answer;
  try {
    auto link = transport_.Initiate("WNORB16", "frmMain");
    std::unique_ptr<dde::Conversation> status;
    try {
      status = transport_.Initiate("WNORB16", "frmCmd");
    } catch (const vb::Error&) {
      // An engine without a status topic takes the command all the same.
    }
    link->Execute(command);
    e.ok = true;
    if (status) {
      answer = status->Request("txtStatus");
      e.answer = answer;
    }
  } catch (const vb::Error& error) {
    e.ok = false;
    e.number = error.number();
  }
  observer_.Emit(e);
  return answer;
}

// ---- Projects

void IdeSession::Open(const std::string& windows_path) {
  std::string project = windows_path;
  try {
    project = ProjectToOpen(windows_path, resolver_);
    app_->SetActive(HostProject::Load(project, resolver_, *this, numbers_));
  } catch (const vb::Error& e) {
    // Every other error names its file already; a group's missing startup project is named here.
    if (e.number() != vb::err::FileNotFound || project == windows_path) throw;
    throw vb::Error(e.number(), project + ": " + e.description());
  }
  EmitUnresolved();
}

void IdeSession::OpenByPerson(const std::string& windows_path) {
  Open(windows_path);
  std::string name = app_->active()->Name();
  FileEvent("AfterNewProject", {{"projectname", name}},
            [&](platform::ide::FileControlEvents& s, bool&) { s.AfterNewProject(name); });
}

void IdeSession::EmitUnresolved() {
  auto project = app_->active();
  if (!project) return;
  for (const auto& entry : project->unresolved()) {
    observer_.Emit(events::Unresolved{project->FileName(), entry.line, entry.text, entry.reason});
  }
}

void IdeSession::NewProject() {
  auto project = HostProject::NewUnsaved(resolver_, *this, numbers_);
  app_->SetActive(project);
  std::string name = project->Name();
  FileEvent("AfterNewProject", {{"projectname", name}},
            [&](platform::ide::FileControlEvents& s, bool&) { s.AfterNewProject(name); });
}

// Nothing unsaved is dropped without the developer's Yes in a box of the IDE's own; Enter keeps it.
void IdeSession::ReloadProject(const std::string& path, bool /*flag*/) {
  observer_.Emit(events::Reload{path});
  auto p = app_->active();
  if (!p || vb::LCase(p->FileName()) != vb::LCase(path)) return;
  p->Reload([this](const std::string& name) {
    return desktop_.MsgBox(name + " has unsaved changes. Reload it from disk and lose them?",
                           platform::vbYesNo + platform::vbExclamation + platform::vbDefaultButton2,
                           kHostTitle) == platform::vbYes;
  });
  EmitUnresolved();
}

// ---- The add-in

norb::MainModule& IdeSession::Module() {
  if (process_ && process_->alive()) return *process_->state();
  std::string install = resolver_.ToWindows(install_dir_);
  std::string module_path = CombineWindowsPath(install, "NORBVB5.EXE");
  win32_ = std::make_unique<HostWin32>(observer_, RealWin32(resolver_, WindowsDirectory(), module_path));
  platform::Services services{*win32_, *files_, shell_, desktop_, clipboard_, ui_, links_};
  std::string app_path =
      install.size() > 3 && install.back() == '\\' ? install.substr(0, install.size() - 1) : install;
  process_ = std::make_unique<vb::Process<norb::MainModule>>(norb::StartProcess(services, app_path));
  process_->OnEnded([this] { observer_.Emit(events::End{}); });
  connect_.reset();
  // As the runtime did for the add-in's executable, every start runs Sub Main first.
  norb::MainModule& m = *process_->state();
  CallAddin("Sub Main", [&] { m.Main(); });
  if (!process_->alive()) throw SessionError("the add-in ended while it started");
  return *process_->state();
}

norb::nvb5VersionControl& IdeSession::ConnectClass() {
  norb::MainModule& m = Module();
  auto c = connect_.lock();
  if (!c) {
    c = m.CreateConnectClass();
    connect_ = c;
  }
  return *c;
}

void IdeSession::CallAddin(std::string_view where, const std::function<void()>& action) {
  if (!process_) return;
  try {
    process_->Call(action);
  } catch (const vb::Error& e) {
    observer_.Emit(events::RunTimeError{std::string(where), e.number(), e.description()});
  }
}

void IdeSession::RunMain() {
  norb::MainModule& m = Module();
  CallAddin("Sub Main", [&] { m.Main(); });
}

void IdeSession::OnConnection(long mode) {
  norb::nvb5VersionControl& c = ConnectClass();
  std::vector<std::string> custom;
  CallAddin("OnConnection", [&] { c.OnConnection(vbe_, mode, nullptr, custom); });
}

void IdeSession::OnDisconnection(long mode) {
  norb::nvb5VersionControl& c = ConnectClass();
  std::vector<std::string> custom;
  CallAddin("OnDisconnection", [&] { c.OnDisconnection(mode, custom); });
}

void IdeSession::OnStartupComplete() {
  norb::nvb5VersionControl& c = ConnectClass();
  std::vector<std::string> custom;
  CallAddin("OnStartupComplete", [&] { c.OnStartupComplete(custom); });
}

void IdeSession::OnAddInsUpdate() {
  norb::nvb5VersionControl& c = ConnectClass();
  std::vector<std::string> custom;
  CallAddin("OnAddInsUpdate", [&] { c.OnAddInsUpdate(custom); });
}

void IdeSession::ConnectAddIn() {
  norb::nvb5VersionControl& c = ConnectClass();
  CallAddin("ConnectAddIn", [&] { c.ConnectAddIn(app_); });
}

void IdeSession::DisconnectAddIn() {
  norb::nvb5VersionControl& c = ConnectClass();
  CallAddin("DisconnectAddIn", [&] { c.DisconnectAddIn(0); });
}

void IdeSession::Rcnct() {
  norb::MainModule& m = Module();
  CallAddin("rcnct", [&] { m.rcnct(); });
}

void IdeSession::Connect() {
  OnConnection(0);
  ConnectAddIn();
}

void IdeSession::Disconnect() {
  OnDisconnection(0);
  DisconnectAddIn();
}

void IdeSession::Click(const std::shared_ptr<HostCommandBarControl>& control) {
  for (const auto& sink : control->Subscribers()) {
    bool handled = false;
    bool cancel_default = false;
    CallAddin("Click", [&] { sink->Click(control, handled, cancel_default); });
  }
}

void IdeSession::Request(const HostProject& project, std::string_view name, ProjectRequest request) {
  for (const auto& sink : project.Sinks()) CallAddin(name, [&] { ((*sink).*request)(); });
}

// ---- The links

void IdeSession::LinkModeWritten(const dde::LinkModeWrite& w) {
  events::Link e{w.control, w.topic, w.item, w.mode, w.ok, std::nullopt};
  if (!w.ok) e.number = w.error;
  observer_.Emit(e);
}

void IdeSession::LinkExecuted(const dde::LinkExecuteCall& c) {
  events::Execute e{c.topic, c.command, c.ok, std::nullopt};
  if (!c.ok) e.number = c.error;
  observer_.Emit(e);
  // What the engine showed while it handled the command comes after the command.
  ReportEngineOutcomes();
}

void IdeSession::LinkTextRead(std::string_view /*form*/, std::string_view control, std::string_view text) {
  observer_.LinkRead(control, text);
}

// ---- Saving

bool IdeSession::FileEvent(const std::string& name, events::FileEventArgs args,
                           const FileEventDelivery& deliver) {
  bool cancel = false;
  for (const auto& sink : app_->file_control().Sinks()) {
    CallAddin(name, [&] { deliver(*sink, cancel); });
  }
  observer_.Emit(events::FileEvent{name, std::move(args), cancel});
  return cancel;
}

std::string IdeSession::ContentsOf(const std::string& windows_path) const {
  return FileText(windows_path).value_or(std::string());
}

std::optional<std::string> IdeSession::FileText(const std::string& windows_path) const {
  return posix::ReadWholeFile(resolver_.ToPosix(windows_path));
}

bool IdeSession::IsReadOnly(const std::string& windows_path) {
  try {
    return (files_->GetAttr(windows_path) & platform::vbReadOnly) != 0;
  } catch (const vb::Error&) {
    return false;
  }
}

std::vector<std::string> IdeSession::GroupProjects(const std::string& windows_path) const {
  const ProjectGroup group = ParseProjectGroup(FileText(windows_path).value_or(""));
  const std::string folder = posix::WindowsFolderOf(windows_path);
  std::vector<std::string> projects{posix::CombineWindowsPath(folder, group.startup)};
  for (const auto& p : group.projects) projects.push_back(posix::CombineWindowsPath(folder, p));
  return projects;
}

bool IdeSession::IsGroupFile(std::string_view path) { return vb::LCase(posix::ExtensionOf(path)) == ".vbg"; }

std::string IdeSession::FileNameOf(std::string_view windows_path) {
  return posix::WindowsFileNameOf(windows_path);
}

std::string IdeSession::ContentsFor(const HostComponent& component, std::size_t index) const {
  if (index == 0 && component.text()) return *component.text();
  return ContentsOf(component.files()[index]);
}

bool IdeSession::WriteThroughIde(const std::string& windows_path, const std::string& contents) {
  std::string filename = windows_path;
  bool refused = FileEvent(
      "RequestWriteFile", {{"filename", filename}},
      [&](platform::ide::FileControlEvents& s, bool& cancel) { s.RequestWriteFile(filename, cancel); });
  events::Write told{windows_path, false, std::nullopt};
  if (!refused) {
    try {
      posix::WriteWholeFile(resolver_.ToPosix(windows_path), contents);
      told.written = true;
    } catch (const vb::Error& e) {
      told.number = e.number();
    }
  }
  const bool written = told.written;
  observer_.Emit(told);
  if (!refused) {
    int success = written ? -1 : 0;
    FileEvent("AfterWriteFile", {{"filename", filename}, {"Success", static_cast<long>(success)}},
              [&](platform::ide::FileControlEvents& s, bool&) { s.AfterWriteFile(filename, success); });
  }
  return written;
}

void IdeSession::SaveComponentAs(HostComponent& component, const std::string& path) {
  observer_.Emit(events::Save{component.Name(), path});
  bool all = true;
  const auto files = component.files();
  for (std::size_t i = 0; i < files.size(); ++i) {
    std::string target = i == 0 ? path : files[i];
    all = WriteThroughIde(target, ContentsFor(component, i)) && all;
  }
  if (all) component.SetDirty(false);
}

void IdeSession::SaveProjectAs(HostProject& project, const std::string& path) {
  observer_.Emit(events::Save{project.Name(), path});
  if (WriteThroughIde(path, FormatProjectFile(project.file()))) project.SetDirtyQuietly(false);
}

bool IdeSession::Save(HostComponent& component) {
  bool all = true;
  const auto files = component.files();
  for (std::size_t i = 0; i < files.size(); ++i)
    all = WriteThroughIde(files[i], ContentsFor(component, i)) && all;
  if (all) component.SetDirty(false);
  return all;
}

bool IdeSession::SaveProject(HostProject& project) {
  if (project.FileName().empty()) throw SessionError("the project was never saved");
  if (!WriteThroughIde(project.FileName(), FormatProjectFile(project.file()))) return false;
  project.SetDirtyQuietly(false);
  return true;
}

bool IdeSession::SaveAll() {
  auto project = app_->active();
  if (!project) return true;
  bool all = true;
  // A sink may reload the project while it hears of a write: the list is taken first.
  const auto components = project->components();
  for (const auto& c : components) {
    if (c->IsDirty()) all = Save(*c) && all;
  }
  if (project->IsDirty()) all = SaveProject(*project) && all;
  return all;
}

namespace {
// The naming events around a File menu's save-as: DoGetNewFileName before, and, once written,
// AfterChangeFileName.
struct Renaming {
  IdeSession& session;
  int file_type;
  std::string new_name;
  std::string old_name;

  events::FileEventArgs Args() const {
    return {{"FileType", static_cast<long>(file_type)}, {"NewName", new_name}, {"OldName", old_name}};
  }
  bool Cancelled() {
    return session.FileEvent("DoGetNewFileName", Args(),
                             [&](platform::ide::FileControlEvents& s, bool& cancel) {
                               s.DoGetNewFileName(file_type, new_name, old_name, cancel);
                             });
  }
  void Done() {
    session.FileEvent("AfterChangeFileName", Args(), [&](platform::ide::FileControlEvents& s, bool&) {
      s.AfterChangeFileName(file_type, new_name, old_name);
    });
  }
};
}  // namespace

void IdeSession::SaveAs(HostProject& project, const std::string& windows_path) {
  Renaming renaming{*this, platform::ide::vbext_ft_Project, windows_path, project.FileName()};
  if (renaming.Cancelled()) return;
  // The sinks may have changed the names they were handed.
  const std::string& new_name = renaming.new_name;
  ProjectFile& file = project.mutable_file();
  if (vb::LCase(WindowsFolderOf(new_name)) != vb::LCase(WindowsFolderOf(renaming.old_name))) {
    for (std::size_t i = 0; i < file.components.size() && i < project.components().size(); ++i) {
      file.components[i].path = project.components()[i]->files()[0];
    }
  }
  if (!WriteThroughIde(new_name, FormatProjectFile(file))) return;
  project.SetFileName(new_name);
  project.SetDirtyQuietly(false);
  renaming.Done();
}

void IdeSession::SaveAs(HostProject& project, HostComponent& component, const std::string& windows_path) {
  Renaming renaming{*this, FileTypeOf(component.kind()), windows_path, component.files()[0]};
  if (renaming.Cancelled()) return;
  const std::string& new_name = renaming.new_name;
  // The companion follows the main file's new name.
  std::vector<std::string> files{new_name};
  if (component.files().size() == 2) {
    std::string main_ext = ExtensionOf(new_name);
    std::string base = main_ext.empty() ? new_name : new_name.substr(0, new_name.size() - main_ext.size());
    files.push_back(base + ExtensionOf(component.files()[1]));
  }
  bool all = true;
  for (std::size_t i = 0; i < files.size(); ++i)
    all = WriteThroughIde(files[i], ContentsFor(component, i)) && all;
  if (!all) return;
  component.SetFiles(files);
  component.SetDirty(false);
  // The project file's line for it now names the new file.
  const auto& comps = project.components();
  ProjectFile& file = project.mutable_file();
  for (std::size_t i = 0; i < comps.size() && i < file.components.size(); ++i) {
    if (comps[i].get() == &component) file.components[i].path = new_name;
  }
  project.SetDirtyQuietly(true);
  renaming.Done();
}

}  // namespace vbhost
