// The IDE's main window: the menu bar (File, Tools, Add-Ins), the Project window, the editors
// and the engine's window, around one IDE session whose observer it is.
#pragma once

#include <QMainWindow>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/form_window.hpp"
#include "gui/project_tree.hpp"
#include "gui/qt_seams.hpp"
#include "host/desktop_entry.hpp"
#include "host/ide_session.hpp"

class QAction;
class QDialog;
class QDockWidget;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QTabWidget;
class QTreeView;

namespace vbhost {
class Transcript;
}

namespace vbgui {

class CodeEditor;

using DesktopOptions = vbhost::DesktopStart;

// What a command the engine carried out uses up of what the person set for the next ones: a
// check-in (U without D) the comment, and one with option S (a check-in or a check-out) the version.
struct UsedUp {
  bool comment = false;
  bool version = false;
};
UsedUp UsedUpBy(const std::string& command);

class MainWindow : public QMainWindow, public vbhost::HostObserver {
 public:
  explicit MainWindow(const DesktopOptions& options);
  ~MainWindow() override;

  vbhost::IdeSession& session() { return *session_; }
  QTreeView* tree() const { return tree_; }
  QTabWidget* editors() const { return editors_; }
  QPlainTextEdit* outcomes() const { return outcomes_; }
  QPlainTextEdit* diff() const { return diff_; }
  QMenu* tools_menu() const { return tools_; }
  QMenu* addins_menu() const { return addins_; }
  QMenu* file_menu() const { return file_; }
  FormWindow* form_window(const std::string& form) const { return ui_.Window(form); }
  // The desktop's settings file, where the add-in's dialogs keep their sizes; none by default.
  void SetSettingsFile(std::string path) { ui_.SetSettingsFile(std::move(path)); }

  // A project or group file (POSIX path); a failure is told in a message box.
  bool OpenFile(const std::string& posix_path);
  // The context menu of a Project window item, as the IDE would pop it up there.
  std::unique_ptr<QMenu> ContextMenuFor(const QModelIndex& row);
  // Opens an editor on a component of the active project.
  QPlainTextEdit* OpenEditor(const std::string& component);
  // The tree, menus and editors again from the model; coalesced, run when the loop is next free.
  void ScheduleRefresh(bool every_row = true);
  void Refresh();

  void Emit(const vbhost::HostEvent& event) override;
  void Flush() override;
  void LinkRead(std::string_view control, std::string_view text) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // A component's editor. Its text is the component's own, held by the session's model, so a
  // closed editor loses nothing; an editor lives only as long as its project is the active one.
  struct Editor {
    std::string component;
    CodeEditor* view;
    std::weak_ptr<vbhost::HostProject> project;
  };
  void BuildMenus();
  void BuildDocks();
  void FillBarMenu(QMenu& menu, const std::string& bar);
  // The Project tree hears of what the event changed.
  void TellTree(const vbhost::HostEvent& event);
  void RefreshEditors();
  void ShowOutcome(const std::string& text);
  // The engine's window (gui/engine_view.cpp). An outcome that refused or skipped a file brings
  // it forward, scrolled to the end, and says so on the status bar; a clean one leaves it be.
  void NoticeOutcome(const QString& outcome);
  void BringEngineForward(const QString& status);
  // The engine's settings, as its CONFIG outcome told them, in a window of their own.
  void ShowEngineSettings(const QString& outcome);
  // The add-in started a program: the interactive engine's launch is kept for RunEngine.
  void NoticeLaunch(const vbhost::events::Launch& event);
  // "Run NORB for Windows": the add-in starts the interactive engine, whose window is the engine
  // pane. When no engine served the add-in's links, the add-in is linked to the one started, as a
  // person would by connecting it again; an engine that cannot start or does not serve is told.
  void RunEngine(const std::shared_ptr<vbhost::HostCommandBarControl>& item);
  // In the engine pane and on the status bar, and in a box of the desktop's own unless the add-in
  // showed one.
  void TellEngineTrouble(const QString& text, bool box_too);
  // The help key: the help file opens when it exists, else a box says it does not.
  void ShowHelpFile(const std::string& windows_path);
  void ShowSet();
  void Save();
  void SaveAs();
  // Before the active project is closed (`action` "open" or "exit"): its unsaved work is saved,
  // discarded or kept by the person's answer; false when the project is to stay.
  bool MayClose(const std::string& action);
  // Makes the project (or the group's startup project) the active one; the old one's editors close.
  bool OpenProject(const std::string& windows_path, std::vector<std::string> group);
  void CloseEditor(QWidget* view);
  // Files a save could not write, told once the person's action is over.
  void ReportUnwritten();
  void SetConnected(bool connected);
  // A call into the session from a menu or the tree; pumping waits until it returns.
  template <class F>
  void Run(F&& f);
  vbhost::HostComponent* SelectedComponent() const;
  vbhost::HostComponent* Component(const std::string& name) const;
  vbhost::HostComponent* Component(const Editor& editor) const;
  Editor* CurrentEditor();

  std::unique_ptr<vbhost::Transcript> transcript_;
  QtFormsUi ui_;
  QtDesktop desktop_;
  QtClipboard clipboard_;
  std::unique_ptr<vbhost::IdeSession> session_;
  std::unique_ptr<ProjectTree> project_tree_;
  QTreeView* tree_ = nullptr;
  QTabWidget* editors_ = nullptr;
  QPlainTextEdit* outcomes_ = nullptr;
  QDockWidget* engine_ = nullptr;
  QTabWidget* engine_tabs_ = nullptr;
  QDialog* settings_ = nullptr;
  QPlainTextEdit* diff_ = nullptr;
  QLineEdit* comment_ = nullptr;
  QLineEdit* version_ = nullptr;
  QLabel* set_ = nullptr;
  // The engine's answers to the comment and version set, until a command uses them.
  QString comment_said_, version_said_;
  QMenu* file_ = nullptr;
  QMenu* tools_ = nullptr;
  QMenu* addins_ = nullptr;
  QAction* connect_ = nullptr;
  std::vector<Editor> open_editors_;
  // The `write` events of files not written since they were last told.
  std::vector<vbhost::events::Write> unwritten_;
  // The group's projects (Windows paths), the startup one first; empty for a lone project.
  std::vector<std::string> group_;
  int busy_ = 0;
  bool refresh_pending_ = false;
  bool full_refresh_ = false;
  bool connected_ = false;
  // The add-in had the IDE reload its project: the re-link follows once its call returns.
  bool relink_ = false;
  // The interactive engine's launch during "Run NORB for Windows", once the add-in asked for it.
  std::optional<vbhost::events::Launch> engine_launch_;
};

}  // namespace vbgui
