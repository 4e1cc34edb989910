#include "gui/main_window.hpp"

#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "gui/code_editor.hpp"
#include "gui/diff_highlighter.hpp"
#include "gui/text.hpp"
#include "host/transcript.hpp"
#include "vbrt/error.hpp"
#include "vbrt/strings.hpp"

namespace vbgui {

namespace {
constexpr int kNameRole = ProjectTree::kNameRole;
constexpr int kKindRole = ProjectTree::kKindRole;
constexpr int kProjectRole = ProjectTree::kProjectRole;
constexpr int kNoKind = ProjectTree::kNoKind;
// The engine's lock query, as the add-in sends it: the tree takes the answer that follows.
constexpr std::string_view kLockQuery = "T ";
constexpr int kPumpMs = 100;
// The add-in's item that starts the interactive engine.
constexpr std::string_view kRunEngineItem = "Run &NORB for Windows";

using vbhost::ComponentKind;

// The Project window's context menu for a component of this kind.
std::string BarOf(ComponentKind kind) {
  switch (kind) {
    case ComponentKind::Form:
      return "Project Window Form Folder";
    case ComponentKind::Module:
    case ComponentKind::Class:
      return "Project Window Module/Class Folder";
    case ComponentKind::RelatedDocument:
    case ComponentKind::ResourceFile:
      return "Project Window Related Documents Folder";
    // The add-in adds its items to three bars: every item with a designer and a code file, as
    // a form has, gets the form folder's.
    case ComponentKind::UserControl:
    case ComponentKind::PropertyPage:
    case ComponentKind::UserDocument:
    case ComponentKind::Designer:
      return "Project Window Form Folder";
  }
  return {};
}

}  // namespace

template <class F>
void MainWindow::Run(F&& f) {
  ++busy_;
  try {
    f();
  } catch (const vb::Error& e) {
    QMessageBox::critical(this, "vbhost", FromCp(e.description()));
  } catch (const std::exception& e) {
    QMessageBox::critical(this, "vbhost", QString::fromStdString(e.what()));
  }
  // A reopened project fires the file events that run the add-in's re-link, its lock pass.
  if (busy_ == 1 && relink_) {
    relink_ = false;
    session_->Rcnct();
    relink_ = false;
  }
  if (busy_ == 1) ReportUnwritten();
  --busy_;
  ScheduleRefresh();
}
// For the files of the main window's other parts (engine_view.cpp).
template void MainWindow::Run<const std::function<void()>&>(const std::function<void()>&);

MainWindow::MainWindow(const DesktopOptions& options)
    : ui_([this](const std::string& where, const std::function<void()>& action) {
        session_->CallAddin(where, action);
      }),
      desktop_(
          *this, [this] { session_->Pump(); },
          [this](const std::string& form) {
            if (FormWindow* w = ui_.Window(form)) {
              w->raise();
              w->activateWindow();
            }
          },
          [this](const std::string& file) { ShowHelpFile(file); }) {
  session_ = std::make_unique<vbhost::IdeSession>(*this, vbhost::PersonSeams{desktop_, ui_, clipboard_},
                                                  options.session);
  if (!options.windows_directory.empty())
    session_->SetWindowsDirectory(options.windows_directory, vbhost::IdeSession::Registration::Ensured);
  if (options.transcript) transcript_ = std::make_unique<vbhost::Transcript>(*options.transcript);
  ui_.SetTranscript(transcript_.get());
  setWindowTitle("vbhost");
  setObjectName("vbhost");

  auto* split = new QSplitter(this);
  project_tree_ = std::make_unique<ProjectTree>(split, session_->app(), [this](const std::string& windows) {
    return session_->resolver().ToPosix(windows);
  });
  tree_ = project_tree_->widget();
  connect(tree_, &QTreeView::customContextMenuRequested, this, [this](const QPoint& at) {
    const QModelIndex row = tree_->indexAt(at);
    if (!row.isValid()) return;
    if (std::unique_ptr<QMenu> menu = ContextMenuFor(row)) menu->exec(tree_->viewport()->mapToGlobal(at));
  });
  connect(tree_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    auto project = session_->app().active();
    if (!project) return;
    std::vector<std::shared_ptr<vbhost::HostComponent>> selection;
    for (const QModelIndex& row : tree_->selectionModel()->selectedIndexes()) {
      if (auto c = project->FindComponent(ToCp(row.data(kNameRole).toString()));
          c && row.data(kKindRole).toInt() != kNoKind)
        selection.push_back(c);
    }
    project->Select(std::move(selection));
  });
  connect(tree_, &QTreeView::activated, this, [this](const QModelIndex& row) {
    if (row.data(kKindRole).toInt() != kNoKind && !row.data(kNameRole).toString().isEmpty())
      OpenEditor(ToCp(row.data(kNameRole).toString()));
  });
  editors_ = new QTabWidget(split);
  editors_->setObjectName("editors");
  editors_->setTabsClosable(true);
  // The component keeps what was typed, as the IDE keeps a closed code window's text: reopened,
  // the editor shows it again.
  connect(editors_, &QTabWidget::tabCloseRequested, this,
          [this](int index) { CloseEditor(editors_->widget(index)); });
  split->setStretchFactor(1, 1);
  // Wide enough for "name (file name)" of the sample's components; the editors take the rest.
  split->setSizes({340, 660});
  setCentralWidget(split);
  // A pass that does not yield still shows its states as the progress window is drawn.
  ui_.OnPacedPaint([this] {
    project_tree_->ShowMarked(group_);
    tree_->viewport()->repaint();
  });
  BuildMenus();
  BuildDocks();
  statusBar();
  resize(1000, 700);

  auto* pump = new QTimer(this);
  connect(pump, &QTimer::timeout, this, [this] {
    if (busy_ == 0) session_->Pump();
  });
  pump->start(kPumpMs);
  Refresh();
}

MainWindow::~MainWindow() {
  // The session's add-in may still show or hide forms while it ends.
  session_.reset();
}

void MainWindow::BuildMenus() {
  file_ = menuBar()->addMenu("&File");
  file_->setObjectName("File");
  file_->addAction("&Open Project...", QKeySequence::Open, this, [this] {
    QString path = QFileDialog::getOpenFileName(this, "Open Project", QString(),
                                                "Projects and groups (*.vbp *.vbg);;All files (*)", nullptr,
                                                QFileDialog::DontUseNativeDialog);
    if (!path.isEmpty()) OpenFile(path.toStdString());
  });
  file_->addAction("&Save", QKeySequence::Save, this, [this] { Save(); });
  file_->addAction("Save &As...", this, [this] { SaveAs(); });
  file_->addSeparator();
  file_->addAction("E&xit", this, [this] { close(); });

  tools_ = menuBar()->addMenu("&Tools");
  tools_->setObjectName("Tools");
  connect(tools_, &QMenu::aboutToShow, this, [this] {
    tools_->clear();
    FillBarMenu(*tools_, "Tools");
  });

  addins_ = menuBar()->addMenu("&Add-Ins");
  addins_->setObjectName("Add-Ins");
  connect_ = addins_->addAction("&NORB Version Control (NORBVB5.nvb5VersionControl)");
  connect_->setCheckable(true);
  connect(connect_, &QAction::triggered, this, [this](bool on) {
    Run([&] {
      if (on) {
        session_->Connect();
      } else {
        session_->Disconnect();
      }
    });
    SetConnected(on);
  });
}

void MainWindow::SetConnected(bool connected) {
  connected_ = connected;
  connect_->setChecked(connected);
}

void MainWindow::BuildDocks() {
  auto* dock = new QDockWidget("Engine", this);
  dock->setObjectName("engine");
  engine_ = dock;
  auto* body = new QWidget(dock);
  auto* column = new QVBoxLayout(body);
  auto* tabs = new QTabWidget(body);
  engine_tabs_ = tabs;
  outcomes_ = new QPlainTextEdit(tabs);
  outcomes_->setObjectName("outcomes");
  outcomes_->setReadOnly(true);
  outcomes_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  diff_ = new QPlainTextEdit(tabs);
  diff_->setObjectName("diff");
  diff_->setReadOnly(true);
  diff_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  new DiffHighlighter(diff_->document());
  tabs->addTab(outcomes_, "Outcomes");
  tabs->addTab(diff_, "Compare");
  column->addWidget(tabs);
  auto* row = new QHBoxLayout;
  comment_ = new QLineEdit(body);
  comment_->setObjectName("comment");
  comment_->setPlaceholderText("Comment for the next check-in");
  auto* set = new QPushButton("Set &Comment", body);
  set->setObjectName("setComment");
  auto send = [this] { Run([&] { session_->SetCheckInComment(ToCp(comment_->text())); }); };
  connect(set, &QPushButton::clicked, this, send);
  connect(comment_, &QLineEdit::returnPressed, this, send);
  version_ = new QLineEdit(body);
  version_->setObjectName("version");
  version_->setPlaceholderText("Revision for option S");
  auto* set_version = new QPushButton("Set &Version", body);
  set_version->setObjectName("setVersion");
  auto send_version = [this] { Run([&] { session_->SetNextVersion(ToCp(version_->text().trimmed())); }); };
  connect(set_version, &QPushButton::clicked, this, send_version);
  connect(version_, &QLineEdit::returnPressed, this, send_version);
  row->addWidget(comment_, 3);
  row->addWidget(set);
  row->addWidget(version_, 1);
  row->addWidget(set_version);
  column->addLayout(row);
  // What the engine holds for the next check-in and the next command with S, in its own words.
  set_ = new QLabel(body);
  set_->setObjectName("engineSet");
  column->addWidget(set_);
  dock->setWidget(body);
  addDockWidget(Qt::BottomDockWidgetArea, dock);
  resizeDocks({dock}, {220}, Qt::Vertical);
}

void MainWindow::FillBarMenu(QMenu& menu, const std::string& name) {
  auto bar = session_->vbe().bars().Find(name);
  if (!bar) return;
  // The add-in's items keep their access keys: an IDE item with the same letter loses its own.
  auto key_at = [](const QString& caption) {
    for (qsizetype i = caption.indexOf('&'); i >= 0 && i + 1 < caption.size();
         i = caption.indexOf('&', i + 2)) {
      if (caption[i + 1] != '&') return i;
    }
    return qsizetype{-1};
  };
  QString addin_keys;
  for (const auto& control : bar->items()) {
    QString caption = FromCp(control->Caption());
    if (control->owner() != "host" && key_at(caption) >= 0)
      addin_keys += caption[key_at(caption) + 1].toLower();
  }
  bool first = true;
  for (const auto& control : bar->items()) {
    if (control->BeginGroup() && !first) menu.addSeparator();
    first = false;
    QString shown = FromCp(control->Caption());
    const qsizetype key = key_at(shown);
    if (control->owner() == "host" && key >= 0 && addin_keys.contains(shown[key + 1].toLower()))
      shown.remove(key, 1);
    QAction* action = menu.addAction(shown);
    if (control->owner() == "host") {
      // The IDE's own items: the editor opens; the rest is not this IDE's.
      std::string caption = control->Caption();
      if (caption == "View &Code" || caption == "&Open") {
        connect(action, &QAction::triggered, this, [this] {
          if (vbhost::HostComponent* c = SelectedComponent()) OpenEditor(c->Name());
        });
      } else {
        action->setEnabled(false);
      }
      continue;
    }
    if (auto face = control->face()) {
      if (const platform::Picture* picture = clipboard_.PictureAt(*face); picture && picture->xpm)
        action->setIcon(QIcon(QPixmap(picture->xpm)));
    }
    std::weak_ptr<vbhost::HostCommandBarControl> weak = control;
    connect(action, &QAction::triggered, this, [this, weak] {
      auto c = weak.lock();
      if (!c || c->deleted()) return;
      if (c->Caption() == kRunEngineItem) {
        RunEngine(c);
      } else {
        Run([&] { session_->Click(c); });
      }
    });
  }
}

std::unique_ptr<QMenu> MainWindow::ContextMenuFor(const QModelIndex& row) {
  auto menu = std::make_unique<QMenu>(this);
  int kind = row.data(kKindRole).toInt();
  if (row.data(kProjectRole).isValid()) {
    std::string path = ToCp(row.data(kProjectRole).toString());
    QAction* start = menu->addAction("Set as Start &Up");
    auto active = session_->app().active();
    start->setEnabled(!active || vb::LCase(active->FileName()) != vb::LCase(path));
    connect(start, &QAction::triggered, this, [this, path] {
      if (MayClose("open")) OpenProject(path, group_);
    });
    return menu;
  }
  if (kind == kNoKind) return nullptr;
  tree_->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect);
  std::string bar = BarOf(static_cast<ComponentKind>(kind));
  if (bar.empty()) return nullptr;
  menu->setObjectName(QString::fromStdString(bar));
  FillBarMenu(*menu, bar);
  return menu;
}

bool MainWindow::OpenFile(const std::string& posix_path) {
  if (!MayClose("open")) return false;
  std::string windows = session_->resolver().ToWindows(posix_path);
  std::vector<std::string> projects;
  if (vbhost::IdeSession::IsGroupFile(windows)) {
    Run([&] { projects = session_->GroupProjects(windows); });
    if (projects.empty()) return false;  // told already
  }
  // A project that fails to open leaves the one before active, its title and its editors.
  if (!OpenProject(windows, std::move(projects))) return false;
  setWindowTitle("vbhost - " + QString::fromStdString(posix_path));
  return true;
}

bool MainWindow::OpenProject(const std::string& windows_path, std::vector<std::string> group) {
  auto before = session_->app().active();
  Run([&] { session_->OpenByPerson(windows_path); });
  if (session_->app().active() == before) return false;
  group_ = std::move(group);
  while (!open_editors_.empty()) CloseEditor(open_editors_.back().view);
  Refresh();
  return true;
}

bool MainWindow::MayClose(const std::string& action) {
  auto project = session_->app().active();
  if (!project) return true;
  std::vector<std::string> targets;
  QString list;
  auto add = [&](const std::string& name, const std::string& path) {
    targets.push_back(name);
    list += "\n" + FromCp(name) + " (" + FromCp(vbhost::IdeSession::FileNameOf(path)) + ")";
  };
  for (const auto& c : project->components()) {
    if (c->IsDirty()) add(c->Name(), c->files().empty() ? std::string() : c->files()[0]);
  }
  if (project->IsDirty()) add(project->Name(), project->FileName());
  if (targets.empty()) return true;
  QMessageBox box(QMessageBox::Warning, "vbhost",
                  (action == "exit" ? "Save the changes before you exit?\n"
                                    : "Save the changes before the project is closed?\n") +
                      list,
                  QMessageBox::SaveAll | QMessageBox::Discard | QMessageBox::Cancel, this);
  box.setObjectName("msgbox");
  box.setDefaultButton(QMessageBox::SaveAll);
  box.setEscapeButton(QMessageBox::Cancel);
  Flush();
  const int answer = box.exec();
  const char* said = answer == QMessageBox::SaveAll   ? "save"
                     : answer == QMessageBox::Discard ? "discard"
                                                      : "cancel";
  Emit(vbhost::events::Unsaved{action, std::move(targets), said});
  if (answer == QMessageBox::Discard) return true;
  if (answer != QMessageBox::SaveAll) return false;
  bool saved = false;
  Run([&] { saved = session_->SaveAll(); });
  return saved;
}

void MainWindow::CloseEditor(QWidget* view) {
  std::erase_if(open_editors_, [view](const Editor& e) { return e.view == view; });
  editors_->removeTab(editors_->indexOf(view));
  view->deleteLater();
}

void MainWindow::ReportUnwritten() {
  if (unwritten_.empty()) return;
  QStringList paths;
  QString failed;
  for (const auto& e : unwritten_) {
    paths << FromCp(e.path);
    // A sink's refusal has been explained by the sink; a write that failed is told here.
    if (e.number) failed += "\n" + FromCp(e.path) + ": " + FromCp(vb::Description(*e.number));
  }
  unwritten_.clear();
  statusBar()->showMessage("Not written: " + paths.join(", "));
  if (failed.isEmpty()) return;
  QMessageBox box(QMessageBox::Warning, "vbhost", "Not written, your changes are kept:\n" + failed,
                  QMessageBox::Ok, this);
  box.setObjectName("msgbox");
  Flush();
  box.exec();
}

vbhost::HostComponent* MainWindow::Component(const std::string& name) const {
  auto project = session_->app().active();
  if (!project) return nullptr;
  return project->FindComponent(name).get();
}

vbhost::HostComponent* MainWindow::Component(const Editor& editor) const {
  auto project = editor.project.lock();
  if (!project || project != session_->app().active()) return nullptr;
  return project->FindComponent(editor.component).get();
}

vbhost::HostComponent* MainWindow::SelectedComponent() const {
  const QModelIndex row = tree_->currentIndex();
  if (!row.isValid() || row.data(kKindRole).toInt() == kNoKind) return nullptr;
  return Component(ToCp(row.data(kNameRole).toString()));
}

void MainWindow::ScheduleRefresh(bool every_row) {
  full_refresh_ = full_refresh_ || every_row;
  if (refresh_pending_) return;
  refresh_pending_ = true;
  QTimer::singleShot(0, this, [this] {
    // While the add-in works (a lock pass yielding), only the rows it told of; the rest once
    // it has returned.
    if (full_refresh_ && busy_ == 0) {
      Refresh();
    } else {
      refresh_pending_ = false;
      Flush();
      project_tree_->ShowMarked(group_);
    }
  });
}

void MainWindow::Refresh() {
  refresh_pending_ = false;
  full_refresh_ = false;
  // Whatever a person did (or the engine sent) is in the transcript file before the window waits
  // for the person again, a modal form's loop included.
  Flush();
  project_tree_->Show(group_);
  RefreshEditors();
}

void MainWindow::LinkRead(std::string_view /*control*/, std::string_view text) {
  project_tree_->Read(text);
  ScheduleRefresh(false);
}

QPlainTextEdit* MainWindow::OpenEditor(const std::string& name) {
  for (const Editor& e : open_editors_) {
    if (e.component == name) {
      editors_->setCurrentWidget(e.view);
      return e.view;
    }
  }
  vbhost::HostComponent* c = Component(name);
  if (!c || c->files().empty()) return nullptr;
  auto* view = new CodeEditor(editors_);
  view->setObjectName(FromCp(name));
  std::optional<std::string> disk = session_->FileText(c->files()[0]);
  // VB's sources have CR LF, which the editor shows as breaks; a new file gets them too.
  view->SetFileText(c->text() ? *c->text() : disk.value_or(""),
                    !disk || disk->find("\r\n") != std::string::npos);
  view->document()->setModified(false);
  Editor editor{name, view, session_->app().active()};
  // Every change goes to the component at once: whatever saves it, the add-in's save included,
  // writes what the person sees.
  connect(view, &QPlainTextEdit::textChanged, this, [this, editor] {
    vbhost::HostComponent* comp = Component(editor);
    if (!comp) return;
    const bool was_dirty = comp->IsDirty();
    comp->Edit(editor.view->FileText());
    if (!was_dirty) ScheduleRefresh();
  });
  open_editors_.push_back(std::move(editor));
  editors_->addTab(view, FromCp(name));
  editors_->setCurrentWidget(view);
  RefreshEditors();
  return view;
}

void MainWindow::RefreshEditors() {
  // An editor whose component is gone (another project, or a reload that dropped it after
  // asking) would write nowhere: it closes.
  std::vector<QWidget*> gone;
  for (const Editor& e : open_editors_) {
    if (!Component(e)) gone.push_back(e.view);
  }
  for (QWidget* view : gone) CloseEditor(view);
  for (const Editor& e : open_editors_) {
    vbhost::HostComponent* c = Component(e);
    if (!c || c->files().empty()) continue;
    // A component the IDE no longer holds modified shows what is on disk: a reload dropped the
    // edits, or the engine changed the file.
    if (!c->IsDirty()) {
      const std::string disk = session_->FileText(c->files()[0]).value_or("");
      if (!e.view->Shows(disk)) {
        e.view->blockSignals(true);
        e.view->SetFileText(disk, disk.find("\r\n") != std::string::npos);
        e.view->blockSignals(false);
      }
      e.view->document()->setModified(false);
    }
    const bool read_only = session_->IsReadOnly(c->files()[0]);
    editors_->setTabText(editors_->indexOf(e.view), FromCp(e.component) + (read_only ? " [read-only]" : "") +
                                                        (c->IsDirty() ? " *" : ""));
  }
}

MainWindow::Editor* MainWindow::CurrentEditor() {
  for (Editor& e : open_editors_) {
    if (e.view == editors_->currentWidget()) return &e;
  }
  return nullptr;
}

void MainWindow::Save() {
  auto project = session_->app().active();
  if (!project) return;
  Run([&] {
    if (Editor* e = CurrentEditor()) {
      if (vbhost::HostComponent* c = Component(*e); c && session_->Save(*c))
        e->view->document()->setModified(false);
    } else if (vbhost::HostComponent* c = SelectedComponent()) {
      session_->Save(*c);
    } else {
      session_->SaveProject(*project);
    }
  });
}

void MainWindow::SaveAs() {
  auto project = session_->app().active();
  if (!project) return;
  vbhost::HostComponent* c = SelectedComponent();
  std::string current = c ? c->files()[0] : project->FileName();
  QString path = QFileDialog::getSaveFileName(this, "Save As", FromCp(session_->resolver().ToPosix(current)),
                                              QString(), nullptr, QFileDialog::DontUseNativeDialog);
  if (path.isEmpty()) return;
  std::string windows = session_->resolver().ToWindows(path.toStdString());
  Run([&] {
    if (c) {
      session_->SaveAs(*project, *c, windows);
    } else {
      session_->SaveAs(*project, windows);
    }
  });
}

void MainWindow::Emit(const vbhost::HostEvent& event) {
  namespace events = vbhost::events;
  if (transcript_) transcript_->Emit(event);
  if (const auto* e = std::get_if<events::EngineOutcome>(&event)) {
    ShowOutcome(e->text);
  } else if (const auto* e = std::get_if<events::EngineCommand>(&event)) {
    outcomes_->appendPlainText("> " + FromCp(e->command) + (e->ok ? QString() : QString(" (refused)")));
    if (e->answer) {
      outcomes_->appendPlainText(Lines(*e->answer));
      const bool comment = e->command.starts_with("COMMENT");
      (comment ? comment_said_ : version_said_) = Lines(*e->answer).trimmed();
      ShowSet();
    }
  } else if (const auto* e = std::get_if<events::Execute>(&event); e && e->ok) {
    // The engine forgets the comment once a check-in uses it and the version once option S does:
    // the fields say what the next ones will be.
    const UsedUp used = UsedUpBy(e->command);
    if (used.comment) {
      comment_->clear();
      comment_said_.clear();
    }
    if (used.version) {
      version_->clear();
      version_said_.clear();
    }
    ShowSet();
  } else if (const auto* e = std::get_if<events::RunTimeError>(&event)) {
    QString text = QString("Run-time error '%1':\n\n%2\n\n(in %3)")
                       .arg(e->number)
                       .arg(FromCp(e->description))
                       .arg(FromCp(e->where));
    statusBar()->showMessage(text.section('\n', 0, 2).simplified());
    QTimer::singleShot(0, this, [this, text] { QMessageBox::critical(this, "Visual Basic", text); });
  } else if (const auto* e = std::get_if<events::Write>(&event)) {
    if (!e->written) unwritten_.push_back(*e);
  } else if (std::holds_alternative<events::Reload>(event)) {
    relink_ = connected_;
  } else if (std::holds_alternative<events::End>(event)) {
    SetConnected(false);
  } else if (const auto* e = std::get_if<events::Launch>(&event)) {
    NoticeLaunch(*e);
  }
  TellTree(event);
}

void MainWindow::TellTree(const vbhost::HostEvent& event) {
  namespace events = vbhost::events;
  if (const auto* e = std::get_if<events::State>(&event)) {
    project_tree_->StateSet(e->component);
  } else if (const auto* e = std::get_if<events::Save>(&event)) {
    project_tree_->Mark(e->target);
  } else if (const auto* e = std::get_if<events::Execute>(&event)) {
    if (e->command.starts_with(kLockQuery)) project_tree_->Asked(e->command.substr(kLockQuery.size()));
  }
  // What may change the rows' number, names or modified flags brings every row up to date; a
  // lock pass's events, only the rows they name.
  const bool every_row =
      std::holds_alternative<events::Reload>(event) || std::holds_alternative<events::Modified>(event) ||
      std::holds_alternative<events::Save>(event) || std::holds_alternative<events::Write>(event) ||
      std::holds_alternative<events::FileEvent>(event) || std::holds_alternative<events::Unsaved>(event) ||
      std::holds_alternative<events::Unresolved>(event) || std::holds_alternative<events::LockMode>(event) ||
      std::holds_alternative<events::LockModeShown>(event) || std::holds_alternative<events::End>(event);
  ScheduleRefresh(every_row);
}

void MainWindow::ShowSet() {
  QStringList said;
  for (const QString& s : {comment_said_, version_said_})
    if (!s.isEmpty()) said << s;
  set_->setText(said.join("\n"));
}

void MainWindow::Flush() {
  if (transcript_) transcript_->Flush();
}

void MainWindow::ShowOutcome(const std::string& text) {
  QString t = Lines(text);
  outcomes_->appendPlainText(t);
  NoticeOutcome(t);
  // The compare's diff, coloured by the pane's highlighter.
  if (t.startsWith("> -C")) diff_->setPlainText(t);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!MayClose("exit")) {
    event->ignore();
    return;
  }
  if (connected_) {
    Run([&] { session_->Disconnect(); });
    SetConnected(false);
  }
  event->accept();
}

UsedUp UsedUpBy(const std::string& command) {
  // The options alone: the files' paths may hold any letter.
  const std::string options = command.substr(0, command.find(' '));
  const bool update = options.starts_with('U') && options.find('D') == std::string::npos;
  const bool version = (update || options.starts_with('E')) && options.find('S') != std::string::npos;
  return {update, version};
}

}  // namespace vbgui
