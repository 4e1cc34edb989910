// What the desktop makes of the engine for a person: an outcome that left a file undone comes
// forward, the engine's settings get a window, "Run NORB for Windows" shows the engine's window
// (linking the add-in to the engine it started when none served) and the help key opens the help
// file or says plainly that there is none.
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <functional>

#include "addin/main_module.hpp"
#include "gui/main_window.hpp"
#include "gui/text.hpp"
#include "vbrt/error.hpp"
#include "vbrt/strings.hpp"

namespace vbgui {

namespace {

// What a file's line says when the command did what it was asked; any other line is a file
// refused or skipped.
bool Done(const QString& line) {
  static const char* const kDone[] = {"extracted and locked",
                                      "extracted read-only",
                                      "locked; work file not touched",
                                      "is already checked out to you",
                                      "checked in as revision",
                                      "unchanged; revision",
                                      "archive created with revision",
                                      "lock released; work file restored",
                                      "changes discarded; work file restored"};
  for (const char* done : kDone) {
    if (line.contains(done)) return true;
  }
  return false;
}

// One line for the status bar when the outcome refused or skipped a file, else empty: the
// engine's ERROR, or the summary "n of m files ..." with n < m and the first file not done.
QString Trouble(const QString& outcome) {
  QStringList lines = outcome.split('\n', Qt::SkipEmptyParts);
  if (lines.size() < 2) return {};
  if (lines[1].startsWith("ERROR"))
    return "The engine refused " + lines[0].mid(2).section(' ', 0, 0) + ": " + lines[1];
  static const QRegularExpression summary(R"(^(\d+) of (\d+) files )");
  const QRegularExpressionMatch m = summary.match(lines[1]);
  if (!m.hasMatch() || m.captured(1).toInt() >= m.captured(2).toInt()) return {};
  QString first;
  int undone = 0;
  for (qsizetype i = 2; i < lines.size(); ++i) {
    if (Done(lines[i])) continue;
    if (undone++ == 0) first = lines[i];
  }
  QString told = lines[1];
  if (!first.isEmpty()) told += ". " + first;
  if (undone > 1) told += QString(" (and %1 more)").arg(undone - 1);
  return told;
}

}  // namespace

void MainWindow::NoticeOutcome(const QString& outcome) {
  if (outcome.startsWith("> CONFIG")) ShowEngineSettings(outcome);
  const QString trouble = Trouble(outcome);
  if (!trouble.isEmpty()) BringEngineForward(trouble);
}

void MainWindow::BringEngineForward(const QString& status) {
  engine_->show();
  engine_->raise();
  engine_tabs_->setCurrentWidget(outcomes_);
  outcomes_->moveCursor(QTextCursor::End);
  outcomes_->ensureCursorVisible();
  outcomes_->verticalScrollBar()->setValue(outcomes_->verticalScrollBar()->maximum());
  statusBar()->showMessage(status.simplified());
}

void MainWindow::ShowEngineSettings(const QString& outcome) {
  if (!settings_) {
    settings_ = new QDialog(this);
    settings_->setObjectName("engineSettings");
    settings_->setWindowTitle("Engine settings");
    auto* column = new QVBoxLayout(settings_);
    auto* from = new QLabel(settings_);
    from->setObjectName("from");
    from->setWordWrap(true);
    from->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* table = new QTreeWidget(settings_);
    table->setObjectName("settings");
    table->setRootIsDecorated(false);
    table->setHeaderLabels({"Setting", "Value"});
    auto* hint = new QLabel(
        "The engine reads them from its settings file (WNORB.INI, section [Engine]). Change them there, "
        "then choose Version Control Options again.",
        settings_);
    hint->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, settings_);
    connect(buttons, &QDialogButtonBox::rejected, settings_, &QDialog::hide);
    column->addWidget(from);
    column->addWidget(table, 1);
    column->addWidget(hint);
    column->addWidget(buttons);
    settings_->resize(560, 300);
  }
  auto* from = settings_->findChild<QLabel*>("from");
  auto* table = settings_->findChild<QTreeWidget*>("settings");
  table->clear();
  // "Configuration read from FILE: Key=value, Key=value, ..." (a value may hold ", " itself).
  const QString said = outcome.section('\n', 1).trimmed();
  static const QRegularExpression first_key(R"(: (?=[A-Za-z]+=))"), next_key(R"(, (?=[A-Za-z]+=))");
  const QRegularExpressionMatch at = first_key.match(said);
  if (said.startsWith("Configuration read from ") && at.hasMatch()) {
    from->setText("Read from " + said.mid(24, at.capturedStart() - 24));
    for (const QString& pair : said.mid(at.capturedEnd()).split(next_key))
      new QTreeWidgetItem(table, {pair.section('=', 0, 0), pair.section('=', 1)});
    table->resizeColumnToContents(0);
    table->show();
  } else {
    from->setText(said);
    table->hide();
  }
  settings_->show();
  settings_->raise();
  settings_->activateWindow();
}

void MainWindow::NoticeLaunch(const vbhost::events::Launch& event) {
  const std::string command = vb::UCase(vb::Trim(event.command));
  const std::string program = command.substr(command.find_last_of('\\') + 1);
  // The interactive engine, not the silent one the connection starts ("-L").
  if (program == "WNORB16" || program == "WNORB16.EXE") engine_launch_ = event;
}

void MainWindow::RunEngine(const std::shared_ptr<vbhost::HostCommandBarControl>& item) {
  engine_launch_.reset();
  const std::function<void()> click = [&] { session_->Click(item); };
  Run(click);
  if (!engine_launch_) {
    // The add-in found no engine program and said so in its own box; here is where it looked.
    const norb::MainModule* addin = session_->module();
    TellEngineTrouble("Run NORB for Windows: there is no engine program " +
                          FromCp((addin ? addin->gEngineDir : std::string()) + "WNORB16.EXE") +
                          " beside the add-in; nothing was started.",
                      false);
    return;
  }
  const vbhost::events::Launch launch = *std::exchange(engine_launch_, std::nullopt);
  const QString program = FromCp(launch.command);
  if (launch.number) {
    // The add-in's trap has ended it, as it does when its engine cannot start.
    TellEngineTrouble("Run NORB for Windows: the engine program " + program + " could not be started (" +
                          FromCp(vb::Description(*launch.number)) +
                          "). The add-in has ended; connect it again from the Add-Ins menu.",
                      false);
    return;
  }
  if (session_->LinkedEngineServes()) {
    outcomes_->appendPlainText(
        "Run NORB for Windows: this is the engine's window; the outcome of every "
        "command the engine runs appears here.");
    BringEngineForward("Run NORB for Windows: the engine's window is the Engine pane");
    return;
  }
  // The add-in's links failed with the engine that quit; only linking anew reaches a new one,
  // and the add-in links when it connects.
  if (!session_->EngineServes()) {
    TellEngineTrouble("Run NORB for Windows started " + program +
                          ", but no engine serves the link: it ended at once or could not reach the "
                          "session bus. Start it at a terminal to see why.",
                      true);
    return;
  }
  outcomes_->appendPlainText("Run NORB for Windows: no engine served the link; " + program +
                             " serves it now and the add-in is linked to it again.");
  const std::function<void()> link_again = [this] {
    session_->Disconnect();
    session_->Connect();
  };
  Run(link_again);
  SetConnected(session_->module() != nullptr);
  BringEngineForward("Run NORB for Windows: the engine started and serves the link");
}

void MainWindow::TellEngineTrouble(const QString& text, bool box_too) {
  outcomes_->appendPlainText(text);
  BringEngineForward(text);
  if (!box_too) return;
  QMessageBox box(QMessageBox::Warning, "vbhost", text, QMessageBox::Ok, this);
  box.setObjectName("msgbox");
  Flush();
  box.exec();
  Emit(vbhost::events::MsgBox{ToCp(text), 48, "OK", "vbhost"});
}

void MainWindow::ShowHelpFile(const std::string& windows_path) {
  const QString path = QString::fromStdString(session_->resolver().ToPosix(windows_path));
  QString text;
  if (!QFileInfo(path).isFile()) {
    text = "The help file " + FromCp(windows_path) + " does not exist.";
  } else if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
    text = "No program here opens the help file " + FromCp(windows_path) + ".";
  }
  statusBar()->showMessage(text.isEmpty() ? "Help: " + FromCp(windows_path) : text);
  if (text.isEmpty()) return;
  QMessageBox box(QMessageBox::Information, "vbhost", text, QMessageBox::Ok, QApplication::activeWindow());
  box.setObjectName("msgbox");
  Flush();
  box.exec();
  Emit(vbhost::events::MsgBox{ToCp(text), 64, "OK", "vbhost"});
}

}  // namespace vbgui
