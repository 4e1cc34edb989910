// The desktop as a person uses it, on a copy of the sample project with the real engine over a
// private bus and a Windows directory nobody prepared: menus and dialogs clicked, message boxes
// answered as they come. Under an X server (gui_screenshot_test) the same runs also save what
// the screen shows of each window into build/screenshots/.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QFileDialog>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <array>
#include <deque>
#include <functional>
#include <iostream>
#include <set>
#include <sstream>

#include "dde/private_bus.hpp"
#include "gui/code_editor.hpp"
#include "gui/main_window.hpp"
#include "gui/text.hpp"
#include "host/scenario_runner.hpp"
#include "tests/dde/session_bus_at.hpp"
#include "tests/support/temp_folder.hpp"

namespace {

using testing_support::Contents;
using testing_support::Mode;

// On an X server: what the screen shows of `widget`, saved as NAME.png; fewer than 16 colours
// means the window drew nothing. A window is drawn there a moment after it maps: up to 4 s.
void Shoot(QWidget* widget, const std::string& name) {
  if (QGuiApplication::platformName() != "xcb") return;
  QImage image;
  std::set<QRgb> colours;
  for (int tries = 0; tries < 80 && colours.size() < 16; ++tries) {
    QTest::qWait(50);
    image = widget->screen()->grabWindow(widget->winId()).toImage();
    colours.clear();
    for (int y = 0; y < image.height(); y += 2) {
      for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
    }
  }
  std::filesystem::create_directories(NORB_SCREENSHOT_DIR);
  image.save(QString(NORB_SCREENSHOT_DIR) + "/" + QString::fromStdString(name) + ".png");
  EXPECT_GE(colours.size(), 16u) << name;
}

// Answers what pops up, in order: each step names the window it waits for (a form's name, or
// "msgbox") and what the person does there. A box nobody expected is recorded and escaped.
class Person {
 public:
  using Step = std::function<void(QWidget*)>;
  Person() {
    timer_.callOnTimeout([this] { Watch(); });
    timer_.start(20);
  }
  void Then(std::string window, Step step) { steps_.push_back({std::move(window), std::move(step)}); }
  // A box answered with a click on `button` (NoButton: Enter, whatever its default is), told in
  // `boxes` as "icon/on top/buttons text".
  void Box(QMessageBox::StandardButton button) {
    Then("msgbox", [this, button](QWidget* w) {
      auto* box = static_cast<QMessageBox*>(w);
      Shoot(box, "message-box-" + std::to_string(boxes.size() + 1));
      boxes.push_back(std::to_string(box->icon()) + "/" +
                      std::to_string(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) + "/" +
                      std::to_string(box->buttons().size()) + " " + box->text().toStdString());
      if (button == QMessageBox::NoButton) {
        QTest::keyClick(box, Qt::Key_Return);
      } else if (QAbstractButton* b = box->button(button)) {
        QTest::mouseClick(b, Qt::LeftButton);
      } else {
        unexpected.push_back("no such button on: " + box->text().toStdString());
        box->reject();
      }
    });
  }
  bool done() const { return steps_.empty(); }
  std::function<void()> on_tick;  // at every look, also while the add-in yields with DoEvents
  std::vector<std::string> boxes, unexpected;

 private:
  void Watch() {
    if (on_tick) on_tick();
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal == busy_) return;
    const std::string name =
        modal->objectName().isEmpty() ? modal->metaObject()->className() : modal->objectName().toStdString();
    if (!steps_.empty() && steps_.front().first == name) {
      auto step = std::move(steps_.front().second);
      steps_.pop_front();
      busy_ = modal;
      step(modal);
      busy_ = nullptr;
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      unexpected.push_back(box->text().toStdString());
      box->reject();
    }
  }
  QTimer timer_;
  std::deque<std::pair<std::string, Step>> steps_;
  QWidget* busy_ = nullptr;
};

// Calls back when a widget of the name is painted, with the top-level window it is on.
class PaintWatch : public QObject {
 public:
  PaintWatch(const char* name, std::function<void(QWidget*)> call) : name_(name), call_(std::move(call)) {
    qApp->installEventFilter(this);
  }
  ~PaintWatch() override { qApp->removeEventFilter(this); }
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Paint && o->isWidgetType() && o->objectName() == name_)
      call_(static_cast<QWidget*>(o)->window());
    return false;
  }

 private:
  QString name_;
  std::function<void(QWidget*)> call_;
};

class Desktop : public ::testing::Test {
 protected:
  Desktop() {
    tmp.Write("bin/WNORB16.EXE", Contents(std::string(NORB_BIN_DIR) + "/WNORB16.EXE"), 0755);
    tmp.Write("bin/WNORB.INI", "[Engine]\r\nLocking=Y\r\nUserID=ann\r\n");
  }
  // A fresh copy of the sample project, then the shell commands that prepare it.
  void Fresh(const std::string& setup = "true") {
    std::filesystem::remove_all(tmp / "Timesheet");
    testing_support::CopyTree(std::string(NORB_SOURCE_DIR) + "/examples/Timesheet", tmp / "Timesheet");
    ASSERT_EQ(Sh(setup), "");
  }
  void TearDown() override {
    for (const auto& u : person.unexpected) ADD_FAILURE() << "unexpected message box: " << u;
  }
  // Shell commands in the project's folder: what they wrote, after "failed: " when they failed.
  std::string Sh(const std::string& commands) {
    std::string out;
    FILE* p =
        ::popen(("cd '" + (tmp / "Timesheet") + "' && (" + commands + ") 2>&1 </dev/null").c_str(), "r");
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
    return ::pclose(p) == 0 ? out : "failed: " + out;
  }
  void Open(const std::string& file = "Timesheet/Timesheet.vbp", std::ostream* transcript = nullptr) {
    if (!transcript && std::getenv("NORB_GUI_TRACE")) transcript = &std::cerr;
    window = std::make_unique<vbgui::MainWindow>(vbgui::DesktopOptions{
        vbhost::SessionOptions{tmp / "bin", bus.Address(), true}, tmp / "windows", transcript});
    window->show();
    // An X server on a loaded machine may take seconds to map a window.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 30000));
    ASSERT_TRUE(file.empty() || window->OpenFile(tmp / file));
  }
  // Clicks a menu's title on the menu bar, then the item with that caption (access keys marked).
  void Menu(const char* title, const char* item) {
    QMenuBar* bar = window->menuBar();
    for (QAction* a : bar->actions()) {
      if (a->text().remove('&') == title)
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(a).center());
    }
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr) << "the " << title << " menu did not open";
    Click(menu, item);
  }
  static void Click(QMenu* menu, const char* item) {
    for (QAction* a : menu->actions()) {
      if (a->text() != item) continue;
      ASSERT_TRUE(a->isEnabled()) << item;
      QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
      QApplication::processEvents();
      return;
    }
    FAIL() << "no item " << item;
  }
  // File > Open Project, the file's name typed, and the answer to a question that follows.
  // Typed, as a person may: choosing from the list waits for the dialog's own thread to have read
  // the folder, which a loaded machine delays.
  void OpenProject(const std::string& file, QMessageBox::StandardButton answer) {
    person.Then("QFileDialog", [file](QWidget* dialog) {
      dialog->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(file));
      QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open),
                        Qt::LeftButton);
    });
    if (answer != QMessageBox::NoButton) person.Box(answer);
    Menu("File", "&Open Project...");
    ASSERT_TRUE(person.done());
  }
  // The Project window's context menu, popped up on a component's row, and a click on an item.
  void Context(const std::string& component, const char* item) {
    window->tree()->setCurrentIndex(Row(component));
    std::unique_ptr<QMenu> menu = window->ContextMenuFor(Row(component));
    ASSERT_NE(menu, nullptr) << component;
    menu->popup(window->tree()->mapToGlobal(window->tree()->visualRect(Row(component)).center()));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu.get(), 30000));
    Shoot(menu.get(), "context-menu");
    Click(menu.get(), item);
  }
  // The window active, as a person's click into it makes it: shortcuts and access keys are the
  // window's.
  void Activate() {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), 30000));
  }
  void CtrlS() {
    Activate();
    QTest::keyClick(window->editors()->currentWidget(), Qt::Key_S, Qt::ControlModifier);
  }
  void Connect() { Menu("Add-Ins", "&NORB Version Control (NORBVB5.nvb5VersionControl)"); }
  // A menu's access key with Alt, then an item's.
  void Keys(Qt::Key menu, Qt::Key item) {
    Activate();
    QTest::keyClick(window.get(), menu, Qt::AltModifier);
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    QTest::keyClick(popup, item);
  }
  // A click on a component's row and Enter open its code window; `text` is typed at its end.
  QPlainTextEdit* Edit(const std::string& component, const char* text) {
    QTest::mouseClick(window->tree()->viewport(), Qt::LeftButton, {},
                      window->tree()->visualRect(Row(component)).center());
    QTest::keyClick(window->tree(), Qt::Key_Return);
    QPlainTextEdit* editor = Editor();
    EXPECT_NE(editor, nullptr) << component;
    if (!editor) return nullptr;
    editor->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor, text);
    return editor;
  }
  // The code windows' tabs, in order.
  std::string Tabs() {
    window->Refresh();
    std::string out;
    for (int i = 0; i < window->editors()->count(); ++i)
      out += window->editors()->tabText(i).toStdString() + ",";
    return out;
  }
  QPlainTextEdit* Editor() const { return qobject_cast<QPlainTextEdit*>(window->editors()->currentWidget()); }
  // Version History from the component's context menu: the dialog's entries, newest last, their
  // dates "<date>".
  std::vector<std::string> History(const std::string& component) {
    std::vector<std::string> entries;
    person.Then("frmVersions", [&entries, component](QWidget* dialog) {
      Shoot(dialog, "history-" + component);
      auto* list = dialog->findChild<QListWidget*>("lstVersions");
      static const QRegularExpression date(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)");
      for (int i = 0; i < list->count(); ++i)
        entries.push_back(list->item(i)->text().replace(date, "<date>").toStdString());
      QTest::keyClick(dialog, Qt::Key_Escape);
    });
    Context(component, "Version &History");
    EXPECT_TRUE(person.done());
    return entries;
  }
  // Every row of the Project window, parents before their children.
  std::vector<QModelIndex> Rows() const {
    std::vector<QModelIndex> rows;
    const QAbstractItemModel* model = window->tree()->model();
    std::function<void(QModelIndex)> walk = [&](QModelIndex parent) {
      for (int i = 0; i < model->rowCount(parent); ++i) {
        rows.push_back(model->index(i, 0, parent));
        walk(rows.back());
      }
    };
    walk({});
    return rows;
  }
  QModelIndex Row(const std::string& component) const {
    for (const QModelIndex& row : Rows()) {
      if (row.data(Qt::UserRole).toString().toStdString() == component) return row;
    }
    return {};
  }
  QModelIndex Top(int i) const { return window->tree()->model()->index(i, 0); }
  // Every component the Project window shows: "name state tooltip", a line each.
  std::string States() {
    window->Refresh();
    std::string out;
    for (const QModelIndex& row : Rows()) {
      if (QVariant state = row.data(Qt::UserRole + 3); state.isValid())
        out += row.data(Qt::UserRole).toString().toStdString() + " " + std::to_string(state.toInt()) + " " +
               row.data(Qt::ToolTipRole).toString().toStdString() + "\n";
    }
    return out;
  }
  // A dialog's list: its rows' first column in the order shown, the selected ones marked "*".
  static std::string Rows(QWidget* dialog) {
    auto* list = dialog->findChild<QTreeView*>("ListView1");
    std::string out;
    for (int i = 0; i < list->model()->rowCount(); ++i)
      out += (list->selectionModel()->isRowSelected(i) ? "*" : "") +
             list->model()->index(i, 0).data().toString().toStdString() + ",";
    return out;
  }
  template <class Edit>
  static std::string Text(Edit* edit) {
    return edit->toPlainText().toStdString();
  }
  static void Press(QWidget* dialog, const char* button) {
    QTest::mouseClick(dialog->findChild<QPushButton*>(button), Qt::LeftButton);
  }
  // A click on the toolbar's icon button of that key.
  static void Tool(QWidget* dialog, const char* key) {
    auto* bar = dialog->findChild<QToolBar*>("Toolbar1");
    auto* action = bar->findChild<QAction*>(key);
    ASSERT_FALSE(action->icon().isNull()) << key;
    QTest::mouseClick(bar->widgetForAction(action), Qt::LeftButton);
  }
  // A person clicks the row of that name and presses OK.
  static Person::Step PickAndOk(const char* row) {
    return [row](QWidget* dialog) {
      auto* list = dialog->findChild<QTreeView*>("ListView1");
      const QModelIndex cell =
          list->model()
              ->match(list->model()->index(0, 0), Qt::DisplayRole, row, 1, Qt::MatchExactly)
              .value(0);
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(cell).center());
      Press(dialog, "cmdOK");
    };
  }

  testing_support::TempFolder tmp;
  dde::PrivateBus bus;
  testing_support::SessionBusAt session_bus{bus.Address()};
  Person person;
  std::unique_ptr<vbgui::MainWindow> window;
};

// A newcomer's day: connect with an empty Windows directory, see the locks, edit a file not
// checked out, check it out and in through the dialogs and the access keys of Tools with a
// comment and a version for option S, see its history and diff. Enter at the reload question
// keeps the edit, and the Project window keeps its place. The engine's window: a clean outcome
// leaves it where the person put it; one that left a file undone comes forward, scrolled to its
// end, with a line on the status bar. Version Control Options shows the engine's settings in a
// window, Run NORB for Windows shows the engine's window.
TEST_F(Desktop, APersonChecksOutEditsAndChecksInThroughTheDialogs) {
  Fresh(
      "LOGNAME=ann ci -q -u -t-first -mfirst modRates.bas && LOGNAME=bob ci -q -u -t-first -mfirst "
      "frmTimesheet.frm frmTimesheet.frx && LOGNAME=bob co -q -l frmTimesheet.frm frmTimesheet.frx && "
      "chmod a-w frmTimesheet.frm frmTimesheet.frx");
  const std::string file = tmp / "Timesheet/modRates.bas", p = tmp.Windows("Timesheet\\");
  QTreeView* tree = nullptr;
  {
    SCOPED_TRACE("connect: the progress window, the registration, the Tools menu, every lock state");
    Open();
    tree = window->tree();
    std::vector<std::string> progress;
    // Read whenever its caption is drawn: a person's periodic look may come only after the pass.
    PaintWatch painted("lblCap", [&progress](QWidget* w) {
      if (w->objectName() != "frmSplash") return;
      progress.push_back(w->findChild<QLabel*>("lblCap")->text().toStdString() + " " +
                         std::to_string(w->findChild<QProgressBar*>("ProgressBar1")->maximum()));
    });
    // Over the main window, without a title bar.
    std::string placed;
    person.on_tick = [&placed, this] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!placed.empty() || w->objectName() != "frmSplash" || !w->isVisible()) continue;
        const QPoint off = w->frameGeometry().center() - window->frameGeometry().center();
        placed = std::to_string(off.manhattanLength() <= 40) + "/" +
                 std::to_string(w->windowFlags().testFlag(Qt::FramelessWindowHint));
        Shoot(w, "progress");
      }
    };
    Connect();
    person.on_tick = nullptr;
    EXPECT_EQ(placed, "1/1");
    // Seen as drawn, and after: the lock pass set the bar's maximum (four components).
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front() + " | " + progress.back(), "Loading ... 100 | Ready... 3");
    EXPECT_EQ(Contents(tmp / "windows/vbaddin.ini"), "[Add-Ins32]\r\nNORBVB5.nvb5VersionControl=0\r\n");
    EXPECT_EQ(States(),
              "frmTimesheet 5 Checked out to bob, revision 1.1\n"
              "modRates 1 Not checked out: read-only here, free to check out\n"
              "CEntry 0 No lock file: not under version control\n"
              "Release Notes.txt 0 No lock file: not under version control\n");
    std::string tools;
    emit window->tools_menu()->aboutToShow();
    for (QAction* a : window->tools_menu()->actions())
      tools += a->isSeparator() ? "|" : a->text().toStdString() + (a->icon().isNull() ? "" : "+") + ",";
    // The IDE's seven, then the add-in's buttons with their groups and faces ("+").
    EXPECT_EQ(tools,
              "Add &Procedure...,Procedure Attri&butes...,&Menu Editor...,&Options...,&References...,"
              "&Components...,Add-In Manager...,&Get,C&heck Out,Check &In,&Undo Check Out,|Check-Out "
              "Active Project [.VBP]+,Check-In Active Project [.VBP]+,|&Version Control Options+,Run "
              "&NORB for Windows+,");
  }
  {
    SCOPED_TRACE("an edit of a file not checked out: the save refused, the history waits for it");
    Edit("modRates", "' a rate for Sundays");
    Shoot(window.get(), "main-window");
    person.Box(QMessageBox::Ok);
    Menu("File", "&Save");
    person.Box(QMessageBox::Ok);
    Context("modRates", "Version &History");
    // Information; then system-modal, kept on top.
    EXPECT_EQ(person.boxes, (std::vector<std::string>{"1/0/1 Visual Basic has just requested to write " + p +
                                                          "modRates.bas, which is read-only.\n\nRequest "
                                                          "denied. \n\n",
                                                      "0/1/1 " + p + "modRates.bas needs saving..."}));
    EXPECT_EQ(window->editors()->tabText(0).toStdString(), "modRates [read-only] *");
    EXPECT_NE(States().find("modRates 1 Not checked out: read-only here, free to check out\nmodified\n"),
              std::string::npos);
  }
  {
    SCOPED_TRACE("Alt+T, H: the list in the model's order, the tabs, the icon buttons; Enter keeps the edit");
    // Short enough that the Project window scrolls; its last row selected.
    const QSize size = window->size();
    window->resize(1000, 420);
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_End);
    window->Refresh();
    const int scrolled = tree->verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);
    std::vector<std::string> seen;
    person.Then("frmExtract", [&seen](QWidget* dialog) {
      Shoot(dialog, "check-out");
      QHeaderView* header = dialog->findChild<QTreeView*>("ListView1")->header();
      seen.push_back(Rows(dialog));
      // Sorted by a click on the first column's header, twice: the header's mark ^ or v.
      for (int i = 0; i < 2; ++i) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(5, header->height() / 2));
        seen.push_back(Rows(dialog) + (header->sortIndicatorOrder() == Qt::DescendingOrder ? " v" : " ^"));
      }
      auto* tabs = dialog->findChild<QTabBar*>();
      for (int tab : {1, 0}) {
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(tab).center());
        if (tab == 1) Shoot(dialog, "check-out-options");
        std::string shown = std::to_string(tab) + ":";
        for (const char* frame : {"Frame1(0)", "Frame1(1)"})
          shown += dialog->findChild<QWidget*>(frame)->isVisible() ? std::string(" ") + frame : "";
        // A frame's page adds no margin of its own: the list and its tools fill it to the edges.
        auto* page = dialog->findChild<QWidget*>("Frame1(0)");
        if (tab == 0 && page->childrenRect() != page->rect()) shown += " (margins)";
        for (auto* box : dialog->findChildren<QCheckBox*>()) {
          if (box->isVisible())
            shown += " [" + box->text().toStdString() + ": " + box->toolTip().toStdString() + "]";
        }
        seen.push_back(shown);
      }
      Tool(dialog, "selNot");
      seen.push_back(Rows(dialog));
      Press(dialog, "cmdOK");
    });
    person.Box(QMessageBox::NoButton);
    Keys(Qt::Key_T, Qt::Key_H);
    ASSERT_TRUE(person.done());
    const std::string options_tab =
        "1: Frame1(1) [\"B\" - Browse Mode: extract for inspection or compile only, without "
        "intent to modify] [\"F\" - Fast/Freshen: extract only if existing work file is "
        "out-of-date] [\"R\" - Reserve Lock [don't extract]: only lock the files, and not "
        "extract them] [\"S\" - Specify Version: Prompts for specific version numbers]";
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "frmTimesheet,modRates,CEntry,Release Notes.txt,",
                        "CEntry,frmTimesheet,modRates,Release Notes.txt, ^",
                        "Release Notes.txt,modRates,frmTimesheet,CEntry, v",
                        options_tab,
                        "0: Frame1(0)",
                        // The rows whose icon says "not checked out", never stored ones included.
                        "*Release Notes.txt,*modRates,frmTimesheet,*CEntry,",
                    }));
    EXPECT_EQ(person.boxes.back(), "2/0/2 modRates has unsaved changes. Reload it from disk and lose them?");
    EXPECT_EQ(Tabs(), "modRates *,");
    EXPECT_NE(Text(Editor()).find("' a rate for Sundays"), std::string::npos);
    EXPECT_EQ(tree->verticalScrollBar()->value(), scrolled);
    ASSERT_EQ(tree->selectionModel()->selectedIndexes().size(), 1);
    EXPECT_EQ(tree->selectionModel()->selectedIndexes()[0].data(Qt::UserRole).toString().toStdString(),
              "Release Notes.txt");
    window->resize(size);
    EXPECT_EQ(Text(window->outcomes()), "> EW " + p + "modRates.bas," + p + "Classes\\CEntry.cls," + p +
                                            "RED03E~1.TXT\n1 of 3 files extracted\n" + p +
                                            "modRates.bas: revision 1.1 extracted and locked\n" + p +
                                            "Classes\\CEntry.cls: no archive; nothing done\n" + p +
                                            "RED03E~1.TXT: no archive; nothing done\n");
  }
  auto* tabs = qobject_cast<QTabWidget*>(window->outcomes()->parentWidget()->parentWidget());
  auto* pane = window->findChild<QDockWidget*>("engine");
  // Where the person left the engine's window: its tab, shown or closed, the status bar's line.
  auto seen = [&] {
    return std::to_string(pane->isVisible()) + " " + tabs->tabText(tabs->currentIndex()).toStdString() +
           " [" + window->statusBar()->currentMessage().toStdString() + "]";
  };
  {
    SCOPED_TRACE("Ctrl+S goes through; the compare shows the edit as a diff");
    CtrlS();
    EXPECT_EQ(person.boxes.size(), 3u);
    EXPECT_NE(Contents(file).find("' a rate for Sundays"), std::string::npos);
    EXPECT_EQ(Tabs(), "modRates,");
    Context("modRates", "Delta &Compare");
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
    EXPECT_TRUE(window->diff()->isVisible());
    Shoot(window.get(), "main-window-compare");
    const std::string diff = Text(window->diff());
    // One line added, its CR LF kept like every other line's: nothing removed.
    EXPECT_EQ(
        diff.substr(diff.find("@@")),
        "@@ -3,3 +3,4 @@\n \n Public Const StandardRate As Currency = 42.5\n Public Const OvertimeFactor As "
        "Double = 1.5\n+' a rate for Sundays\n\\ No newline at end of file\n");
  }
  {
    SCOPED_TRACE("the comment and the version, as the engine holds them");
    auto* comment = window->findChild<QLineEdit*>("comment");
    QTest::keyClicks(comment, "Sunday");
    QTest::mouseClick(window->findChild<QPushButton*>("setComment"), Qt::LeftButton);
    QTest::keyClicks(comment, " rates");
    QTest::keyClick(comment, Qt::Key_Return);
    QTest::keyClicks(window->findChild<QLineEdit*>("version"), "5.1");
    QTest::mouseClick(window->findChild<QPushButton*>("setVersion"), Qt::LeftButton);
    EXPECT_EQ(window->findChild<QLabel*>("engineSet")->text().toStdString(),
              "Comment of ann's next check-in: Sunday rates\nVersion of ann's next command with S: 5.1");
    const std::string outcomes = Text(window->outcomes());
    EXPECT_EQ(
        outcomes.substr(outcomes.find("> COMMENT")),
        "> COMMENT Sunday\nComment of ann's next check-in: Sunday\n\n> COMMENT Sunday rates\nComment of "
        "ann's next check-in: Sunday rates\n\n> VERSION 5.1\nVersion of ann's next command with S: 5.1\n");
  }
  {
    SCOPED_TRACE(
        "Alt+T, I checks in the files out to you with option S: both used, the fields cleared, the "
        "Compare tab left in front");
    std::string rows;
    person.Then("frmUpdate", [&rows, this](QWidget* dialog) {
      Tool(dialog, "selYou");
      Shoot(dialog, "check-in");
      // The dialog's lock pass ran: the add-in's pass at the re-link stopped at the edited file.
      rows = Rows(dialog) + " " + States().substr(States().find("modRates"), 44);
      auto* tabs = dialog->findChild<QTabBar*>();
      QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
      // On the box itself: a click beyond its text does nothing.
      auto* set_version = dialog->findChild<QCheckBox*>("chkSpec");
      QTest::mouseClick(set_version, Qt::LeftButton, {}, QPoint(8, set_version->height() / 2));
      Press(dialog, "cmdOK");
    });
    Keys(Qt::Key_T, Qt::Key_I);
    ASSERT_TRUE(person.done());
    EXPECT_EQ(
        rows,
        "frmTimesheet,*modRates,CEntry,Release Notes.txt, modRates 3 Checked out to you, revision 1.1\n");
    EXPECT_EQ(Mode(file) & 0200, 0u);
    EXPECT_NE(States().find("modRates 1 "), std::string::npos);
    EXPECT_EQ(window->findChild<QLineEdit*>("comment")->text() +
                  window->findChild<QLineEdit*>("version")->text() +
                  window->findChild<QLabel*>("engineSet")->text(),
              "");
    EXPECT_EQ(seen(), "1 Compare []");
  }
  EXPECT_EQ(History("modRates"), (std::vector<std::string>{"1.1       <date>  ann         first",
                                                           "5.1       <date>  ann         Sunday rates"}));
  {
    SCOPED_TRACE("Version Control Options: the engine's settings in a window");
    Menu("Tools", "&Version Control Options");
    // The engine's outcome arrives over the bus a moment after the command.
    QDialog* settings = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return (settings = window->findChild<QDialog*>("engineSettings")) && settings->isVisible(); },
        30000));
    Shoot(settings, "engine-settings");
    auto* table = settings->findChild<QTreeWidget*>("settings");
    std::string rows;
    for (int i = 0; i < table->topLevelItemCount(); ++i)
      rows += table->topLevelItem(i)->text(0).toStdString() + "=" +
              table->topLevelItem(i)->text(1).toStdString() + ";";
    EXPECT_EQ(rows, "Locking=Y;UserID=ann;Archives=RCS folder or beside each file;");
    EXPECT_EQ(settings->findChild<QLabel*>("from")->text().toStdString(),
              "Read from " + (tmp / "bin/WNORB.INI"));
    settings->hide();
  }
  {
    SCOPED_TRACE("Run NORB for Windows: the closed engine window shows again");
    pane->close();
    Menu("Tools", "Run &NORB for Windows");
    EXPECT_EQ(seen(), "1 Outcomes [Run NORB for Windows: the engine's window is the Engine pane]");
  }
  {
    SCOPED_TRACE("a check-out bob's lock refuses: forward, scrolled to the end, told in one line");
    for (int i = 0; i < 30; ++i) window->outcomes()->appendPlainText("an older outcome");
    window->outcomes()->verticalScrollBar()->setValue(0);
    pane->close();
    window->statusBar()->clearMessage();
    person.Then("frmExtract", PickAndOk("frmTimesheet"));
    Menu("Tools", "C&heck Out");
    ASSERT_TRUE(person.done());
    EXPECT_TRUE(QTest::qWaitFor([pane] { return pane->isVisible(); }, 30000));
    Shoot(window.get(), "refused-check-out");
    EXPECT_EQ(seen(), "1 Outcomes [0 of 2 files extracted. " + p +
                          "frmTimesheet.frm: checked out to bob; left alone (and 1 more)]");
    QScrollBar* bar = window->outcomes()->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
  }
}

// The other operations of the Tools menu through their dialogs: what the archive and the work
// file hold afterwards, and the engine's outcome ("@" the project's folder).
TEST_F(Desktop, EveryOtherOperationRunsThroughItsDialog) {
  // in_archive: a piece of the file's rlog; with no lock held "access list:" follows the locking.
  struct Case {
    const char *item, *dialog, *row, *setup, *file, *in_archive;
    bool writable;
    const char* outcome;
  };
  const Case cases[] = {
      {"&Undo Check Out", "frmUpdate", "modRates", "co -q -l modRates.bas && echo x >> modRates.bas",
       "modRates.bas", "locks: strict\naccess list:", false,
       "> UDW @modRates.bas\n1 of 1 files updated\n@modRates.bas: lock released; work file restored to "
       "revision 1.1 read-only\n"},
      {"&Get", "frmExtract", "modRates", "rm -f modRates.bas", "modRates.bas",
       "locks: strict\naccess list:", false,
       "> EBFW @modRates.bas\n1 of 1 files extracted\n@modRates.bas: revision 1.1 extracted read-only\n"},
      {"Check-Out Active Project [.VBP]", "frmExtract", "Timesheet",
       "ci -q -u -t-first -mfirst Timesheet.vbp", "Timesheet.vbp", "ann: 1.1", true,
       "> EW @Timesheet.vbp\n1 of 1 files extracted\n@Timesheet.vbp: revision 1.1 extracted and locked\n"},
      {"Check-In Active Project [.VBP]", "frmUpdate", "Timesheet",
       "ci -q -u -t-first -mfirst Timesheet.vbp && co -q -l Timesheet.vbp && echo 'MinorVer=1' >> "
       "Timesheet.vbp",
       "Timesheet.vbp", "revision 2.1", false,
       "> UW @Timesheet.vbp\n1 of 1 files updated\n@Timesheet.vbp: checked in as revision 2.1; work file "
       "read-only\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item);
    Fresh("export LOGNAME=ann && ci -q -u -t-first -mfirst modRates.bas && " + std::string(c.setup));
    Open();
    Connect();
    person.Then(c.dialog, PickAndOk(c.row));
    Menu("Tools", c.item);
    EXPECT_TRUE(person.done());
    const std::string rlog = Sh("rlog " + std::string(c.file) + ",v");
    EXPECT_NE(rlog.find(c.in_archive), std::string::npos) << rlog;
    EXPECT_EQ((Mode(tmp / "Timesheet/" + c.file) & 0200) != 0, c.writable);
    EXPECT_NE(States().find("modRates 1 "), std::string::npos);
    EXPECT_EQ(Text(window->outcomes()),
              QString(c.outcome).replace("@", tmp.Windows("Timesheet\\").c_str()).toStdString());
    Connect();  // off again: the add-in takes its buttons away, leaving the IDE's seven
    emit window->tools_menu()->aboutToShow();
    EXPECT_EQ(window->tools_menu()->actions().size(), 7);
    window.reset();
  }
}

// "Run NORB for Windows" after the engine the add-in linked to has ended: the engine it starts
// serves, the add-in is linked to it and the lock states come from it. An engine program that is
// missing, cannot start or ends without serving is told on the status bar and in the engine pane.
TEST_F(Desktop, RunNorbWithNoEngineStartsOneTheAddinLinksTo) {
  Fresh("LOGNAME=ann ci -q -u -t-first -mfirst modRates.bas");
  const std::string busctl = "busctl --address='" + bus.Address() +
                             "' call org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus ";
  // The engine serving the link ends, as a crash or a person's kill would end it.
  auto end_engine = [&] {
    const std::string pid = Sh(busctl + "GetConnectionUnixProcessID s dde.WNORB16");
    ASSERT_EQ(pid.substr(0, 2), "u ");
    ASSERT_EQ(Sh("kill " + pid.substr(2)), "");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Sh(busctl + "GetNameOwner s dde.WNORB16").starts_with("failed"); }, 30000));
  };
  auto status = [this] { return window->statusBar()->currentMessage().toStdString(); };
  const std::string bin = tmp.Windows("bin\\");
  struct Case {
    const char* what;
    const char* program;  // what is done in the engine's folder once it ended
    const char* addin_box;
    const char* said;  // on the status bar; "@" the engine folder
    const char* told;  // in the engine pane, where it is not what the status bar says
    bool desktop_box, connected;
  };
  const Case cases[] = {
      {"missing", "rm WNORB16.EXE",
       "0/0/1 WNORB16.EXE not found.  Make sure that the add-in exe is in the NORB dir...",
       "Run NORB for Windows: there is no engine program @WNORB16.EXE beside the add-in; nothing was "
       "started.",
       nullptr, false, true},
      {"cannot start", "chmod 0644 WNORB16.EXE", "0/1/1 startNORB -- File not found",
       "Run NORB for Windows: the engine program @WNORB16 could not be started (File not found). The "
       "add-in has ended; connect it again from the Add-Ins menu.",
       nullptr, false, false},
      // A new file, not the old one rewritten: the ended engine may not have let go of it yet.
      {"ends at once",
       "rm WNORB16.EXE && printf '#!/bin/sh\\nexit 3\\n' >WNORB16.EXE && chmod 0755 WNORB16.EXE", "",
       "Run NORB for Windows started @WNORB16, but no engine serves the link: it ended at once or could "
       "not reach the session bus. Start it at a terminal to see why.",
       nullptr, true, true},
      {"started, as bob locks modRates: it serves the link and shows bob's lock",
       "cd ../Timesheet && LOGNAME=bob rcs -q -l modRates.bas", "",
       "Run NORB for Windows: the engine started and serves the link",
       "Run NORB for Windows: no engine served the link; @WNORB16 serves it now and the add-in is linked to "
       "it again.",
       false, true},
  };
  auto in_bin = [&bin](const char* text) { return QString(text).replace("@", bin.c_str()).toStdString(); };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tmp.Write("bin/WNORB16.EXE", Contents(std::string(NORB_BIN_DIR) + "/WNORB16.EXE"), 0755);
    Open();
    Connect();
    EXPECT_NE(States().find("modRates 1 "), std::string::npos);
    end_engine();
    ASSERT_EQ(Sh("cd ../bin && " + std::string(c.program)), "");
    person.boxes.clear();
    if (*c.addin_box) person.Box(QMessageBox::Ok);
    if (c.desktop_box) person.Box(QMessageBox::Ok);
    window->findChild<QDockWidget*>("engine")->close();
    Menu("Tools", "Run &NORB for Windows");
    EXPECT_TRUE(person.done());
    const std::string said = in_bin(c.said);
    std::vector<std::string> boxes;
    if (*c.addin_box) boxes.push_back(c.addin_box);
    if (c.desktop_box) boxes.push_back("2/0/1 " + said);
    EXPECT_EQ(person.boxes, boxes);
    EXPECT_EQ(status(), said);
    EXPECT_NE(Text(window->outcomes()).find(in_bin(c.told ? c.told : c.said)), std::string::npos);
    EXPECT_TRUE(window->findChild<QDockWidget*>("engine")->isVisible());
    EXPECT_EQ(window->addins_menu()->actions()[0]->isChecked(), c.connected);
    if (c.told) {
      EXPECT_NE(States().find("modRates 5 Checked out to bob, revision 1.1"), std::string::npos) << States();
      Shoot(window.get(), "run-norb-started-engine");
    }
    window.reset();
  }
}

// `vbhost gui --transcript` writes what `vbhost run` writes for the same steps: the message
// boxes, the forms' lives, the dialogs with their rows, captions, progress and help. The desktop's
// own boxes (titled "vbhost") are its alone: a dialog's Help says plainly that the help file is
// missing. The add-in's "save now?" before a check-out writes the editor's text.
TEST_F(Desktop, TheDesktopsTranscriptTellsWhatAScenarioRunTellsForTheSameSteps) {
  const std::string setup = "LOGNAME=ann ci -q -u -t-first -mfirst modRates.bas";
  Fresh(setup);
  const std::string cls = tmp / "Timesheet/Classes/CEntry.cls", disk = Contents(cls);
  auto seen = [](const std::string& lines) {
    std::string out;
    std::istringstream in(lines);
    for (std::string line; std::getline(in, line);) {
      auto e = nlohmann::ordered_json::parse(line);
      static const std::set<std::string> person{"msgbox",   "form",       "dialog", "caption",
                                                "progress", "foreground", "help"};
      if (person.contains(e.value("event", "")) && e.value("title", "") != "vbhost") out += line + "\n";
    }
    return out;
  };
  std::ostringstream gui;
  Open("Timesheet/Timesheet.vbp", &gui);
  Connect();
  Edit("CEntry", "' changed");
  person.Box(QMessageBox::Yes);
  // Help pressed once the person's look is over: the box it opens is the next look's.
  person.Then("frmExtract",
              [](QWidget* dialog) { QTimer::singleShot(0, dialog, [dialog] { Press(dialog, "cmdHelp"); }); });
  person.Box(QMessageBox::Ok);
  person.Then("frmExtract", PickAndOk("modRates"));
  Menu("Tools", "C&heck Out");
  ASSERT_TRUE(person.done());
  EXPECT_EQ(person.boxes,
            (std::vector<std::string>{
                "4/0/2 CEntry [" + tmp.Windows("Timesheet\\Classes\\CEntry.cls") + "] has changed, save now?",
                "1/0/1 The help file " + tmp.Windows("bin\\WNORB.HLP") + " does not exist."}));
  EXPECT_EQ(Contents(cls), disk + "' changed");
  EXPECT_EQ(Text(Editor()),
            "Option Explicit\n\nPublic Hours As Double\n\nPublic Function Total(ByVal Rate As Currency) As "
            "Currency\n    Total = Hours * Rate\nEnd Function\n' changed");
  EXPECT_EQ(Tabs(), "CEntry,");
  // A save the add-in refuses: its box answered OK, told by that button's name.
  ASSERT_EQ(Sh("chmod a-w Classes/CEntry.cls"), "");
  Edit("CEntry", "' again");
  person.Box(QMessageBox::Ok);
  Menu("File", "&Save");
  ASSERT_TRUE(person.done());
  Connect();
  window.reset();

  Fresh(setup);
  tmp.Write(
      "same.scn",
      "set windir " + (tmp / "windows") + "\naddin install " + (tmp / "bin") +
          "\nopen Timesheet/Timesheet.vbp\naddin connect\naddin connectaddin\nedit CEntry\n"
          "answer msgbox Yes\nanswer dialog frmExtract help select modRates ok\n"
          // the desktop re-links after the reload the check-out asked for
          "click Tools \"C&heck Out\"\naddin rcnct\nreadonly Timesheet/Classes/CEntry.cls on\nedit CEntry\n"
          "answer msgbox OK\nsave CEntry\naddin disconnectaddin\naddin disconnect\n");
  std::ostringstream run;
  {
    vbhost::ScenarioRunner runner(run, vbhost::RunnerOptions{tmp / "bin", bus.Address(), true});
    runner.RunFile(tmp / "same.scn");
  }
  // The desktop's own box for the missing help file: an information box with OK alone.
  EXPECT_NE(gui.str().find(R"( does not exist.","style":64,"answer":"OK","title":"vbhost"})"),
            std::string::npos);
  const std::string told = seen(gui.str());
  EXPECT_NE(told.find(R"("event":"help","form":"frmExtract")"), std::string::npos) << told;
  EXPECT_NE(told.find(R"("event":"dialog","form":"frmExtract","phase":"closed")"), std::string::npos) << told;
  EXPECT_NE(told.find(R"("event":"progress","form":"frmSplash")"), std::string::npos) << told;
  EXPECT_NE(told.find(R"(,"answer":"OK"})"), std::string::npos) << told;
  EXPECT_EQ(told, seen(run.str()));
}

// An add-in's dialog on a project of 112 components: larger than its design size (which stays
// its least) so that its columns show whole and many rows; the rows a toolbar button selects are
// scrolled into view; the size the person gives it is kept for its next window, in this run and
// the next, which still opens centred on the main window.
TEST_F(Desktop, ADialogOnALargeProjectIsReadableAndKeepsTheSizeThePersonGaveIt) {
  Fresh("python3 '" NORB_SOURCE_DIR "/bench/make_project' 112 '" + (tmp / "Big") +
        "' --depth 2 >/dev/null && cd '" + (tmp / "Big") +
        "' && f=$(tail -1 components.txt | cut -d' ' -f4) && LOGNAME=ann co -q -l \"$f\"");
  const std::string settings = tmp / "vbhost.conf";
  // What a person sees of the dialog: "size min WxH, centred, N rows shown, columns whole".
  auto look = [](QWidget* dialog) {
    auto* list = dialog->findChild<QTreeView*>("ListView1");
    QHeaderView* header = list->header();
    const QFontMetrics metrics = list->fontMetrics();
    const int columns = list->model()->columnCount();
    std::string cut;
    for (int c = 0; c < columns; ++c) {
      int widest = 0;
      for (int i = 0; i < list->model()->rowCount(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(list->model()->index(i, c).data().toString()));
      const int shown =
          std::min(header->sectionViewportPosition(c) + header->sectionSize(c), list->viewport()->width()) -
          header->sectionViewportPosition(c);
      // Every column but the last whole; the last at least begins on screen.
      if (c + 1 < columns ? shown < widest : shown < 40)
        cut += " " + header->model()->headerData(c, Qt::Horizontal).toString().toStdString();
    }
    // The add-in centres its dialogs on the screen.
    const QPoint off = dialog->geometry().center() - dialog->screen()->geometry().center();
    return std::to_string(dialog->minimumWidth()) + "x" + std::to_string(dialog->minimumHeight()) + " " +
           (off.manhattanLength() <= 40 ? "centred" : "off centre") + ", " +
           (list->viewport()->height() / list->visualRect(list->model()->index(0, 0)).height() >= 20
                ? "20+ rows"
                : "few rows") +
           (cut.empty() ? ", columns whole" : ", cut:" + cut);
  };
  Open("Big/Big.vbp");
  window->SetSettingsFile(settings);
  Connect();
  std::vector<std::string> seen;
  person.Then("frmExtract", [&](QWidget* dialog) {
    Shoot(dialog, "check-out-112");
    seen.push_back(look(dialog));
    auto* list = dialog->findChild<QTreeView*>("ListView1");
    // The person's own files: the last row, far below the fold.
    Tool(dialog, "selYou");
    QModelIndexList mine = list->selectionModel()->selectedRows();
    seen.push_back(std::to_string(mine.size()) + " " +
                   (mine.size() == 1 && list->viewport()->rect().intersects(list->visualRect(mine[0]))
                        ? "in view"
                        : "out of view"));
    Shoot(dialog, "check-out-112-yours");
    // The files not checked out, the first row among them: shown from the top again.
    Tool(dialog, "selNot");
    seen.push_back(list->verticalScrollBar()->value() == 0 ? "at the top" : "scrolled");
    dialog->resize(dialog->width() + 60, dialog->height() + 40);
    seen.push_back(std::to_string(dialog->width()) + "x" + std::to_string(dialog->height()));
    Press(dialog, "cmdCancel");
  });
  auto size_again = [&](QWidget* dialog) {
    seen.push_back(std::to_string(dialog->width()) + "x" + std::to_string(dialog->height()) + " " +
                   look(dialog).substr(8, 7));
    Press(dialog, "cmdCancel");
  };
  person.Then("frmExtract", size_again);
  Menu("Tools", "C&heck Out");
  Menu("Tools", "C&heck Out");
  ASSERT_TRUE(person.done());
  Connect();
  window.reset();
  Open("Big/Big.vbp");
  window->SetSettingsFile(settings);
  Connect();
  person.Then("frmExtract", size_again);
  Menu("Tools", "C&heck Out");
  ASSERT_TRUE(person.done());
  ASSERT_EQ(seen.size(), 6u);
  EXPECT_EQ(seen,
            (std::vector<std::string>{"458x324 centred, 20+ rows, columns whole", "1 in view", "at the top",
                                      seen[3], seen[3] + " centred", seen[3] + " centred"}));
  EXPECT_NE(Contents(settings).find("frmExtract"), std::string::npos);
  // The progress window is no dialog: it keeps its form's size.
  EXPECT_EQ(Contents(settings).find("frmSplash"), std::string::npos);
}

// The Project window shows a state only where a pass found it: bob's lock with its holder, the
// project file's state once a dialog asked, and "unknown" after the one the re-link pass stopped
// at. Every component with a designer has the form folder's menu; a project opened while
// connected shows its states at once.
TEST_F(Desktop, TheProjectWindowShowsOnlyTheStatesAPassFound) {
  // After the related document in the project's order; bob holds the user control's lock, and
  // the designer's folder is missing: the lock pass stops there, and the engine cannot tell.
  const std::vector<std::array<std::string, 2>> designed{{"UserControl", "ctlClock.ctl"},
                                                         {"PropertyPage", "ppgClock.pag"},
                                                         {"UserDocument", "docClock.dob"},
                                                         {"Designer", "Gone\\dsrClock.dsr"}};
  Fresh();
  std::string lines;
  for (const auto& [key, file] : designed) {
    if (key != "Designer")
      tmp.Write("Timesheet/" + file, "Attribute VB_Name = \"" + file.substr(0, 8) + "\"\r\n");
    lines += key + "=" + file + "\r\n";
  }
  tmp.Write("Timesheet/Timesheet.vbp", Contents(tmp / "Timesheet/Timesheet.vbp") + lines);
  ASSERT_EQ(Sh("LOGNAME=ann ci -q -u -t-first -mfirst modRates.bas Timesheet.vbp && LOGNAME=bob ci -q -u "
               "-t-first -mfirst ctlClock.ctl && LOGNAME=bob co -q -l ctlClock.ctl"),
            "");
  const std::string unknown = "-1 Lock state unknown: not checked since the project was last read";
  auto project_state = [this] {
    window->Refresh();
    QString tip = Top(0).data(Qt::ToolTipRole).toString();
    return tip.section('\n', -1).toStdString();
  };
  const QString connected = QString::fromStdString(
      "frmTimesheet 0 No lock file: not under version control\nmodRates 1 Not checked out: read-only here, "
      "free to check out\nCEntry 0 No lock file: not under version control\nctlClock 5 Checked out to bob, "
      "revision 1.1\nppgClock 0 No lock file: not under version control\ndocClock 0 No lock file: not under "
      "version control\ndsrClock " +
      unknown + "\nRelease Notes.txt 0 No lock file: not under version control\n");
  Open();
  EXPECT_EQ(project_state(), unknown.substr(3));
  // The unknown state's picture: a grey dashed frame round a darker "?", by its opaque colours.
  const QImage picture = Top(0).data(Qt::DecorationRole).value<QIcon>().pixmap(16).toImage();
  std::set<QRgb> opaque;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      if (qAlpha(picture.pixel(x, y)) == 255) opaque.insert(picture.pixel(x, y));
  EXPECT_EQ(opaque, (std::set<QRgb>{qRgb(90, 90, 90), qRgb(120, 120, 120)}));
  Connect();
  {
    SCOPED_TRACE("connected: another's lock names its holder; the designers' menus reach the history");
    EXPECT_EQ(States(), connected.toStdString());
    auto menu_of = [this](const char* name) {
      std::unique_ptr<QMenu> menu = window->ContextMenuFor(Row(name));
      if (!menu) return std::string("none");
      std::string items = menu->objectName().toStdString() + ":";
      for (QAction* a : menu->actions()) items += a->text().toStdString() + ",";
      return items;
    };
    // The form's menu, the add-in's items included.
    const std::string form = menu_of("frmTimesheet");
    EXPECT_NE(form.find("Version &History"), std::string::npos) << form;
    for (const char* name : {"ctlClock", "ppgClock", "docClock", "dsrClock"})
      EXPECT_EQ(menu_of(name), form) << name;
    EXPECT_EQ(History("ctlClock"), std::vector<std::string>{"1.1       <date>  bob         first"});
  }
  {
    SCOPED_TRACE("the project file's state, as the dialog that asked shows it");
    QImage in_dialog;
    person.Then("frmExtract", [&in_dialog](QWidget* dialog) {
      auto* list = dialog->findChild<QTreeView*>("ListView1");
      in_dialog = list->model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>().pixmap(16).toImage();
      Press(dialog, "cmdCancel");
    });
    Menu("Tools", "Check-Out Active Project [.VBP]");
    ASSERT_TRUE(person.done());
    EXPECT_EQ(project_state(), "Not checked out: read-only here, free to check out");
    EXPECT_FALSE(in_dialog.isNull());
    EXPECT_EQ(Top(0).data(Qt::DecorationRole).value<QIcon>().pixmap(16).toImage(), in_dialog);
    EXPECT_NE(States().find("dsrClock " + unknown), std::string::npos);
    if (QGuiApplication::platformName() == "xcb") {
      // The screen with bob's lock's tooltip, as resting the pointer on the row shows it.
      QWidget* rows = window->tree()->viewport();
      const QPoint at = window->tree()->visualRect(Row("ctlClock")).center();
      QHelpEvent hover(QEvent::ToolTip, at, rows->mapToGlobal(at));
      QApplication::sendEvent(rows, &hover);
      QTest::qWait(1000);
      const QRect shown = window->frameGeometry().adjusted(0, 0, 0, -window->height() / 3);
      window->screen()
          ->grabWindow(0, shown.x(), shown.y(), shown.width(), shown.height())
          .save(QString(NORB_SCREENSHOT_DIR) + "/project-states.png");
    }
  }
  {
    SCOPED_TRACE("a reload keeps the edit: the pass stops there and nothing after it is claimed");
    Edit("modRates", "' kept");
    person.Then("frmExtract", PickAndOk("modRates"));
    person.Box(QMessageBox::No);
    Menu("Tools", "C&heck Out");
    ASSERT_TRUE(person.done());
    EXPECT_EQ(person.boxes.back(), "2/0/2 modRates has unsaved changes. Reload it from disk and lose them?");
    std::string after = "frmTimesheet 0 No lock file: not under version control\n";
    for (const std::string name :
         {"modRates", "CEntry", "ctlClock", "ppgClock", "docClock", "dsrClock", "Release Notes.txt"})
      after += name + " " + unknown + (name == "modRates" ? "\nmodified\n" : "\n");
    EXPECT_EQ(States(), after);
    EXPECT_EQ(Row("modRates").data().toString().toStdString(), "modRates (modRates.bas) *");
    EXPECT_EQ(project_state(), unknown.substr(3));
  }
  {
    SCOPED_TRACE("File > Open Project while connected: the add-in re-links and every state shows");
    OpenProject(tmp / "Timesheet/Timesheet.vbp", QMessageBox::Discard);
    EXPECT_EQ(States(), QString(connected)
                            .replace("modRates 1 Not checked out: read-only here, free to check out",
                                     "modRates 3 Checked out to you, revision 1.1")
                            .toStdString());
  }
}

// The code window shows a form as VB's does: no header, no Attribute lines, coloured; a line
// typed there is the only change the save makes to the file. Every way an edit could be dropped
// or orphaned, as a person meets them: a closed tab, a save that cannot write, File > Open Project
// and File > Exit (the add-in's "save now?": the transcript's test). A group opened with File > Open Project
// shows every project, its startup one active until "Set as Start Up" makes another active.
TEST_F(Desktop, NoEditIsDroppedWithoutAsking) {
  Fresh();
  const std::string form = tmp / "Timesheet/frmTimesheet.frm", form_disk = Contents(form);
  const std::size_t code = form_disk.find("Option Explicit\r\n");
  ASSERT_NE(code, std::string::npos);
  tmp.Write("Other/O.vbp", "Type=Exe\r\nModule=modOther; modOther.bas\r\nName=\"Other\"\r\n");
  tmp.Write("Other/modOther.bas", "Attribute VB_Name = \"modOther\"\r\n");
  tmp.Write("All.vbg", "VBGROUP 5.0\r\nStartupProject=Timesheet\\Timesheet.vbp\r\nProject=Other\\O.vbp\r\n");
  const std::string cls = tmp / "Timesheet/Classes/CEntry.cls";
  const std::string disk = Contents(cls);
  Open();
  // The Project window's projects, the active one marked "!".
  auto projects = [this] {
    window->Refresh();
    std::string out;
    for (int i = 0; i < window->tree()->model()->rowCount(); ++i)
      out += (Top(i).data(Qt::FontRole).value<QFont>().bold() ? "!" : "") +
             Top(i).data().toString().toStdString();
    return out;
  };
  {
    SCOPED_TRACE("a form's code as VB shows it, coloured; a line typed at its top the save's one change");
    QPlainTextEdit* editor = Edit("frmTimesheet", "");
    ASSERT_NE(editor, nullptr);
    const std::string shown = Text(editor);
    EXPECT_EQ(shown, QString::fromStdString(form_disk.substr(code)).replace("\r\n", "\n").toStdString());
    // Keywords blue, strings in their colour, a keyword inside a string not.
    auto colour_at = [](const QTextBlock& block, int column) {
      for (const QTextLayout::FormatRange& r : block.layout()->formats())
        if (column >= r.start && column < r.start + r.length) return r.format.foreground().color();
      return QColor();
    };
    EXPECT_EQ(colour_at(editor->document()->firstBlock(), 0),
              vbgui::VbHighlighter::Colour(vbgui::CodeColour::kKeyword));
    const QTextBlock msgbox = editor->document()->findBlock(static_cast<int>(shown.find("MsgBox")));
    const int quote = static_cast<int>(msgbox.text().indexOf('"'));
    EXPECT_EQ(colour_at(msgbox, quote + 1), vbgui::VbHighlighter::Colour(vbgui::CodeColour::kString));
    EXPECT_EQ(colour_at(msgbox, 0), QColor());
    QTest::keyClick(editor, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClicks(editor, "' typed at the top");
    QTest::keyClick(editor, Qt::Key_Return);
    Shoot(window.get(), "code-window");
    // Neither of the form's files writable: both named on the status bar (the box: below).
    ASSERT_EQ(Sh("chmod a-w frmTimesheet.frm frmTimesheet.frx"), "");
    person.Box(QMessageBox::Ok);
    CtrlS();
    ASSERT_TRUE(person.done());
    EXPECT_EQ(window->statusBar()->currentMessage().toStdString(),
              "Not written: " + tmp.Windows("Timesheet\\frmTimesheet.frm") + ", " +
                  tmp.Windows("Timesheet\\frmTimesheet.frx"));
    person.boxes.clear();
    ASSERT_EQ(Sh("chmod u+w frmTimesheet.frm frmTimesheet.frx"), "");
    CtrlS();
    EXPECT_EQ(Contents(form), form_disk.substr(0, code) + "' typed at the top\r\n" + form_disk.substr(code));
  }
  {
    SCOPED_TRACE("a closed tab keeps its text: reopened from the menu, it shows the text and its *");
    Edit("CEntry", "' kept");
    QTabBar* bar = window->editors()->tabBar();
    QTest::mouseClick(bar->tabButton(bar->currentIndex(), QTabBar::RightSide), Qt::LeftButton);
    EXPECT_EQ(Tabs(), "frmTimesheet,");
    Context("CEntry", "View &Code");
    EXPECT_NE(Text(Editor()).find("' kept"), std::string::npos);
    EXPECT_EQ(Tabs(), "frmTimesheet,CEntry *,");
    // File > Save As offers the selected file's own path; cancelled, it writes nothing.
    std::string offered;
    person.Then("QFileDialog", [&offered](QWidget* dialog) {
      auto* files = static_cast<QFileDialog*>(dialog);
      offered = files->windowTitle().toStdString() + ": " + files->selectedFiles().value(0).toStdString();
      files->reject();
    });
    Menu("File", "Save &As...");
    ASSERT_TRUE(person.done());
    EXPECT_EQ(offered, "Save As: " + cls);
    EXPECT_EQ(Contents(cls), disk);
  }
  {
    SCOPED_TRACE("a save that cannot write says so and keeps the *; the next one writes");
    ASSERT_EQ(Sh("chmod a-w Classes/CEntry.cls"), "");
    person.Box(QMessageBox::Ok);
    CtrlS();
    ASSERT_TRUE(person.done());
    EXPECT_EQ(person.boxes, (std::vector<std::string>{"2/0/1 Not written, your changes are kept:\n\n" +
                                                      tmp.Windows("Timesheet\\Classes\\CEntry.cls") +
                                                      ": Path/File access error"}));
    EXPECT_EQ(Contents(cls), disk);
    EXPECT_EQ(Tabs(), "frmTimesheet,CEntry [read-only] *,");
    ASSERT_EQ(Sh("chmod u+w Classes/CEntry.cls"), "");
    CtrlS();
    EXPECT_EQ(Contents(cls), disk + "' kept");
    EXPECT_EQ(Tabs(), "frmTimesheet,CEntry,");
  }
  {
    SCOPED_TRACE("File > Open Project asks: Cancel keeps all, Discard opens the group, no editor left");
    Edit("CEntry", "' dropped");
    const std::string question =
        "2/0/3 Save the changes before the project is closed?\n\nCEntry (CEntry.cls)";
    OpenProject(tmp / "All.vbg", QMessageBox::Cancel);
    EXPECT_EQ(person.boxes.back(), question);
    EXPECT_EQ(window->windowTitle().toStdString(), "vbhost - " + (tmp / "Timesheet/Timesheet.vbp"));
    EXPECT_EQ(Tabs(), "frmTimesheet,CEntry *,");
    OpenProject(tmp / "All.vbg", QMessageBox::Discard);
    EXPECT_EQ(person.boxes.back(), question);
    EXPECT_EQ(window->windowTitle().toStdString(), "vbhost - " + (tmp / "All.vbg"));
    EXPECT_EQ(Tabs(), "");
    EXPECT_EQ(Contents(cls), disk + "' kept");
    EXPECT_EQ(projects(), "!Timesheet (Timesheet.vbp)O.vbp");
    std::unique_ptr<QMenu> menu = window->ContextMenuFor(Top(1));
    menu->popup(window->tree()->mapToGlobal(QPoint(20, 20)));
    Click(menu.get(), "Set as Start &Up");
    EXPECT_EQ(projects(), "Timesheet.vbp!Other (O.vbp)");
  }
  {
    SCOPED_TRACE("File > Exit asks once: Cancel stays, Save All writes and quits");
    Edit("modOther", "' at exit");
    person.Box(QMessageBox::Cancel);
    Menu("File", "E&xit");
    ASSERT_TRUE(person.done());
    EXPECT_TRUE(window->isVisible());
    person.Box(QMessageBox::SaveAll);
    Menu("File", "E&xit");
    ASSERT_TRUE(person.done());
    EXPECT_EQ(person.boxes.back(), "2/0/3 Save the changes before you exit?\n\nmodOther (modOther.bas)");
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(Contents(tmp / "Other/modOther.bas"), "Attribute VB_Name = \"modOther\"\r\n' at exit");
  }
}

// The comment and version fields clear when a command used them up, told by its options alone:
// a letter of a path ("D" of Docs, "S" of Sales) is none of them.
TEST(NextFields, ACommandsOptionsAloneSayWhatItUsedUp) {
  struct Case {
    const char* command;
    bool comment, version;
  };
  for (const Case& c :
       {Case{R"(USW C:\Sales\a.bas)", true, true}, Case{R"(UW C:\Docs\Sales\a.bas)", true, false},
        Case{R"(UDW C:\Sales\a.bas)", false, false}, Case{R"(ESW C:\a.bas)", false, true},
        Case{R"(EW C:\Sales\a.bas)", false, false}, Case{"G2LOCKING", false, false}}) {
    const vbgui::UsedUp used = vbgui::UsedUpBy(c.command);
    EXPECT_EQ(std::pair(used.comment, used.version), std::pair(c.comment, c.version)) << c.command;
  }
}

}  // namespace
