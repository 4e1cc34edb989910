// The IDE around the add-in, as every front end drives it: the add-in's process (started with
// its `Sub Main`), its Windows directory, the engine's transport, the open project, the add-in
// manager's connect and disconnect, the command bars' clicks, the File menu's saves and the file
// events they raise, the reload the add-in asks for. Everything it does is told to the host's one
// observer, run-time errors that reach the IDE included. A front end supplies what a person meets
// (message boxes, forms, clipboard) and gives the session's requests their form: the scenario
// runner from a script's words, a desktop from menus and windows.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dde/link_observer.hpp"
#include "dde/text_box_links.hpp"
#include "host/engine_transport.hpp"
#include "host/host_shell.hpp"
#include "host/host_vbe.hpp"
#include "host/host_win32.hpp"
#include "host/ide_model.hpp"
#include "platform/clipboard.hpp"
#include "platform/desktop.hpp"
#include "platform/file_system.hpp"
#include "platform/forms_ui.hpp"
#include "platform/shell.hpp"
#include "posix/path_resolver.hpp"
#include "vbrt/process.hpp"

namespace dde {
class ScriptedServer;
}
namespace norb {
class MainModule;
class nvb5VersionControl;
}  // namespace norb

namespace vbhost {

struct SessionOptions {
  // Where NORBVB5.EXE (and so the engine) stands by default: vbhost's own folder.
  std::string install_dir;
  // The D-Bus the real engine is met on; empty: the user's session bus.
  std::string bus_address;
  // A private bus ends with the session: so do the programs the session started on it.
  bool stop_launched_at_exit = false;
};

// What a person meets, supplied by the front end; each outlives the session.
struct PersonSeams {
  platform::Desktop& desktop;
  platform::FormsUi& ui;
  platform::Clipboard& clipboard;
};

// A request the session cannot carry out: the add-in ended while it started, no Windows
// directory could be made.
class SessionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class IdeSession final : public IdeHost, public dde::LinkObserver {
 public:
  IdeSession(HostObserver& observer, PersonSeams person, SessionOptions options);
  ~IdeSession() override;
  IdeSession(const IdeSession&) = delete;
  IdeSession& operator=(const IdeSession&) = delete;

  const posix::PathResolver& resolver() const { return resolver_; }
  // ---- The files as the IDE sees them (Windows paths), for a front end that shows them.
  // A file's bytes as they stand on disk; none when it cannot be read.
  std::optional<std::string> FileText(const std::string& windows_path) const;
  // The file's read-only attribute, as Windows shows it whoever runs the IDE; false when it has none.
  bool IsReadOnly(const std::string& windows_path);
  // A project group's projects (Windows paths), the startup one first; raises ProjectFileError
  // when the file is not a group.
  std::vector<std::string> GroupProjects(const std::string& windows_path) const;
  // Whether the file is a project group rather than a project, by its extension.
  static bool IsGroupFile(std::string_view path);
  // The file name of a Windows path, without its folder.
  static std::string FileNameOf(std::string_view windows_path);
  HostApplication& app() { return *app_; }
  HostVBE& vbe() { return *vbe_; }
  // The add-in's process state while it runs, else null.
  norb::MainModule* module();

  // ---- Where the add-in finds its world; each takes effect at the add-in's next start.
  void SetInstallFolder(std::string posix_folder) { install_dir_ = std::move(posix_folder); }
  // A person's Windows directory has the add-in registered before its first start, as its setup
  // would have left it: a newcomer's empty folder then shows no registration message. A test's
  // folder stays as it was given, so that the add-in's own registration can be watched.
  enum class Registration { AsFound, Ensured };
  void SetWindowsDirectory(std::string posix_folder, Registration registration = Registration::AsFound) {
    windir_ = std::move(posix_folder);
    registration_ = registration;
  }
  // The Windows directory (POSIX path): the one set, else $WINDIR (a person's, so Ensured),
  // else a folder of the session's own in which the add-in is registered.
  std::string WindowsDirectory();
  // The add-ins registered in the Windows directory's vbaddin.ini, as the IDE reads them: the
  // first line of a key counts.
  std::vector<std::pair<std::string, std::string>> RegisteredAddIns();

  // ---- The engine: the real one over D-Bus (the default), a scripted one in-process, or none.
  void UseRealEngine();
  dde::ScriptedServer& UseScriptedEngine();
  void UseNoEngine();
  // The scripted engine while it serves, else null.
  dde::ScriptedServer* scripted_engine() { return scripted_.get(); }
  // Whether the engine the add-in's links reach still serves them, and whether one serves the
  // link now (waiting a moment after a launch), as EngineTransport tells.
  bool LinkedEngineServes() { return transport_.LinkedEngineServes(); }
  bool EngineServes() { return transport_.EngineServes(); }
  // What a message loop delivers: the links' messages, then the engine's new outcomes.
  void Pump();
  // Tells the observer the engine's outcomes that arrived since it last did.
  void ReportEngineOutcomes();
  // A person's own log message for the next check-in, and the revision of the next command with
  // option S, sent on a conversation of their own; empty forgets it. The engine's answer is told.
  void SetCheckInComment(std::string_view comment);
  void SetNextVersion(std::string_view version);

  // ---- Projects
  // Opens a project, or a group with its startup project active (Windows path); raises
  // vb::Error with a description that names the file.
  void Open(const std::string& windows_path);
  // A project a person opened (File > Open Project, Set as Start Up): opened as Open does, then
  // the file-control sinks hear AfterNewProject for it, on which a connected add-in re-links.
  void OpenByPerson(const std::string& windows_path);
  // A new project that was never saved, made active; the sinks hear AfterNewProject.
  void NewProject();

  // ---- The add-in. Each call starts its process first when it is not running (`Sub Main`
  // included); a run-time error that reaches the IDE goes to the observer as an "error" event.
  void RunMain();
  void OnConnection(long mode);
  void OnDisconnection(long mode);
  void OnStartupComplete();
  void OnAddInsUpdate();
  void ConnectAddIn();
  void DisconnectAddIn();
  void Rcnct();
  // The add-in manager: OnConnection then the connect class's ConnectAddIn, and the reverse.
  void Connect();
  void Disconnect();
  // A click on a command-bar button: every subscriber's Click.
  void Click(const std::shared_ptr<HostCommandBarControl>& control);
  // A request of the IDE's to the project's sinks (ProjectEvents::CheckOut, ...).
  using ProjectRequest = void (platform::ide::ProjectEvents::*)();
  void Request(const HostProject& project, std::string_view name, ProjectRequest request);
  // A person's action on one of the add-in's forms, run inside the add-in's process; nothing
  // runs while no process was started.
  void CallAddin(std::string_view where, const std::function<void()>& action);

  // ---- The File menu. Each write asks the sinks first (RequestWriteFile) and tells them after
  // (AfterWriteFile); a save-as asks DoGetNewFileName before and tells AfterChangeFileName. A
  // component's first file takes the text an editor made of it, if any; the others are written
  // as they stand. A save answers whether every file was written; one that was not keeps the
  // modified flag, and its `write` event says why.
  bool Save(HostComponent& component);
  // The project must have been saved before (a file name).
  bool SaveProject(HostProject& project);
  // Every modified component of the active project, then the project if modified, which must
  // have been saved before, as SaveProject.
  bool SaveAll();
  void SaveAs(HostProject& project, HostComponent& component, const std::string& windows_path);
  // Elsewhere than before, the component lines name their files in full.
  void SaveAs(HostProject& project, const std::string& windows_path);
  // Delivers one file-control event to every live sink and reports it; answers whether a sink
  // cancelled it.
  using FileEventDelivery = std::function<void(platform::ide::FileControlEvents&, bool& cancel)>;
  bool FileEvent(const std::string& name, events::FileEventArgs args, const FileEventDelivery& deliver);

  // ---- IdeHost: what the model asks of the IDE. The add-in's save-as goes through the IDE's
  // writes, file events included, without the File menu's naming events.
  void Emit(const HostEvent& event) override { observer_.Emit(event); }
  void Flush() override { observer_.Flush(); }
  void SaveComponentAs(HostComponent& component, const std::string& path) override;
  void SaveProjectAs(HostProject& project, const std::string& path) override;
  void ReloadProject(const std::string& path, bool flag) override;

  // ---- LinkObserver
  void LinkModeWritten(const dde::LinkModeWrite& write) override;
  void LinkExecuted(const dde::LinkExecuteCall& call) override;
  void LinkTextRead(std::string_view form, std::string_view control, std::string_view text) override;

 private:
  std::string TellEngine(std::string_view word, std::string_view text);
  // The add-in's process, started when the connect class is first created and again after the
  // add-in has ended.
  norb::MainModule& Module();
  norb::nvb5VersionControl& ConnectClass();
  void EmitUnresolved();
  // The IDE writes a file: asked of the sinks first, then written unless one refused.
  bool WriteThroughIde(const std::string& windows_path, const std::string& contents);
  std::string ContentsOf(const std::string& windows_path) const;
  // What a save writes into the component's file at `index`.
  std::string ContentsFor(const HostComponent& component, std::size_t index) const;

  HostObserver& observer_;
  platform::Desktop& desktop_;
  platform::FormsUi& ui_;
  std::string install_dir_;
  bool stop_launched_;
  EngineTransport transport_;
  posix::PathResolver resolver_;
  ConnectionNumbers numbers_;
  std::shared_ptr<HostApplication> app_;
  platform::Clipboard& clipboard_;
  std::unique_ptr<platform::Shell> real_shell_;
  HostShell shell_;
  std::unique_ptr<platform::FileSystem> files_;
  dde::TextBoxLinks links_;
  std::shared_ptr<HostVBE> vbe_;
  std::unique_ptr<HostWin32> win32_;
  std::unique_ptr<vb::Process<norb::MainModule>> process_;
  std::weak_ptr<norb::nvb5VersionControl> connect_;
  std::unique_ptr<dde::ScriptedServer> scripted_;
  std::optional<std::string> windir_;
  Registration registration_ = Registration::AsFound;
  bool registered_ = false;
  std::string temp_windir_;
};

}  // namespace vbhost
