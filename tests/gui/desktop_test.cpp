// The desktop as a person uses it: menus by their keys, the add-in's dialogs as windows, the
// real engine behind them.
#include <sys/stat.h>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTabWidget>
#include <QTextEdit>
#include <cstring>
#include <fstream>

#include "tests/gui/desktop_fixture.hpp"

namespace {

using testing_support::Desktop;

std::string Rlog(const std::string& file) {
  std::string out;
  FILE* p = ::popen(("rlog '" + file + "' 2>&1").c_str(), "r");
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
  ::pclose(p);
  return out;
}

bool Writable(const std::string& file) {
  struct stat st {};
  return ::stat(file.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) != 0;
}

TEST_F(Desktop, ToolsCheckOutTakesTheLockAndTheTreeShowsIt) {
  ArchiveModRates();
  ASSERT_EQ(testing_support::Sh(
                "cd '" + (tmp / "Timesheet") +
                "' && LOGNAME=bob ci -q -u -t-first -mfirst frmTimesheet.frm && LOGNAME=bob co -q -l "
                "frmTimesheet.frm </dev/null"),
            0);
  Open();
  // The progress window is a window of its own while the add-in connects.
  std::vector<std::string> progress;
  person.on_tick = [&progress] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() != "frmSplash" || !w->isVisible()) continue;
      auto* caption = w->findChild<QLabel*>("lblCap");
      auto* bar = w->findChild<QProgressBar*>("ProgressBar1");
      if (caption && bar)
        progress.push_back(caption->text().toStdString() + " " + std::to_string(bar->maximum()));
    }
  };
  Connect();
  person.on_tick = nullptr;
  ASSERT_FALSE(progress.empty());
  // Seen where start-up yields, and after: the lock pass set the bar's maximum (four components)
  // and its last caption.
  EXPECT_EQ(progress.front(), "Loading ... 100");
  EXPECT_EQ(progress.back(), "Ready... 3");
  // The connect's lock pass drew every state: modRates archived and free, the form out to bob,
  // the class never stored.
  EXPECT_EQ(StateShown("modRates"), 1);
  EXPECT_EQ(StateShown("frmTimesheet"), 5);
  EXPECT_EQ(Row("frmTimesheet")->toolTip(0).toStdString(), "Checked out to another user");
  EXPECT_EQ(StateShown("CEntry"), 0);
  EXPECT_EQ(Row("CEntry")->toolTip(0).toStdString(), "No lock file: not under version control");
  EXPECT_EQ(Row("modRates")->toolTip(0).toStdString(), "Not checked out: read-only here, free to check out");

  // The rows come in the model's order; a header click is the add-in's to sort, the list's only
  // to show.
  std::vector<std::vector<std::string>> orders;
  auto rows = [&orders](QWidget* dialog) {
    auto* list = dialog->findChild<QTreeWidget*>("ListView1");
    orders.emplace_back();
    for (int i = 0; i < list->topLevelItemCount(); ++i)
      orders.back().push_back(list->topLevelItem(i)->text(0).toStdString());
  };
  person.Then("frmExtract", [&rows](QWidget* dialog) {
    rows(dialog);
    auto* list = dialog->findChild<QTreeWidget*>("ListView1");
    QHeaderView* header = list->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    rows(dialog);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    rows(dialog);
    Pick(dialog, {"modRates"});
    Press(dialog, "cmdOK");
  });
  Menu("Tools", "C&heck Out");
  using Order = std::vector<std::string>;
  ASSERT_EQ(orders.size(), 3u);
  EXPECT_EQ(orders[0], (Order{"frmTimesheet", "modRates", "CEntry", "Release Notes.txt"}));
  EXPECT_EQ(orders[1], (Order{"CEntry", "frmTimesheet", "modRates", "Release Notes.txt"}));
  EXPECT_EQ(orders[2], (Order{"Release Notes.txt", "modRates", "frmTimesheet", "CEntry"}));
  EXPECT_TRUE(person.done());
  EXPECT_NE(Slurp(tmp / "Timesheet/modRates.bas,v").find("ann:1.1"), std::string::npos);
  struct stat st {};
  ASSERT_EQ(::stat((tmp / "Timesheet/modRates.bas").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & S_IWUSR, 0u);
  EXPECT_EQ(StateShown("modRates"), 3);
  EXPECT_EQ(Row("modRates")->toolTip(0).toStdString(), "Checked out to you");
  EXPECT_TRUE(person.unexpected.empty()) << person.unexpected.front();
}

}  // namespace

namespace {

// Each of the Tools menu's operations through its dialog, against the real engine: what the
// archive and the work file hold afterwards, and the state the Project window then draws.
TEST_F(Desktop, EveryOperationRunsThroughItsDialog) {
  struct Case {
    const char* item;
    const char* dialog;
    const char* row;
    std::string setup;  // shell commands in the project folder
    const char* archive;
    std::string in_archive;  // what rlog shows afterwards
    bool writable;           // the work file afterwards
    long state;              // modRates' state afterwards
  };
  const std::string ci = "LOGNAME=ann ci -q -u -t-first -mfirst ";
  const Case cases[] = {
      {"Check &In", "frmUpdate", "modRates",
       ci + "modRates.bas && LOGNAME=ann co -q -l modRates.bas && echo x >> modRates.bas", "modRates.bas,v",
       "revision 2.1", false, 1},
      {"&Undo Check Out", "frmUpdate", "modRates",
       ci + "modRates.bas && LOGNAME=ann co -q -l modRates.bas && echo x >> modRates.bas", "modRates.bas,v",
       "locks: strict\n", false, 1},
      {"&Get", "frmExtract", "modRates", ci + "modRates.bas && rm -f modRates.bas", "modRates.bas,v",
       "locks: strict\n", false, 1},
      {"Check-Out Active Project [.VBP]", "frmExtract", "Timesheet", ci + "modRates.bas Timesheet.vbp",
       "Timesheet.vbp,v", "ann: 1.1", true, 1},
      {"Check-In Active Project [.VBP]", "frmUpdate", "Timesheet",
       ci + "modRates.bas Timesheet.vbp && LOGNAME=ann co -q -l Timesheet.vbp && echo 'MinorVer=1' >> "
            "Timesheet.vbp",
       "Timesheet.vbp,v", "revision 2.1", false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item);
    {
      testing_support::Person fresh;
      std::swap(person.boxes, fresh.boxes);
    }
    std::filesystem::remove_all(tmp / "Timesheet");
    std::filesystem::copy(std::string(NORB_SOURCE_DIR) + "/examples/Timesheet", tmp / "Timesheet",
                          std::filesystem::copy_options::recursive);
    ASSERT_EQ(testing_support::Sh("cd '" + (tmp / "Timesheet") + "' && (" + c.setup +
                                  ") </dev/null >/dev/null 2>&1"),
              0);
    Open();
    Connect();
    std::string row = c.row;
    person.Then(c.dialog, [row](QWidget* dialog) {
      Pick(dialog, {row});
      Press(dialog, "cmdOK");
    });
    Menu("Tools", c.item);
    EXPECT_TRUE(person.done());
    EXPECT_NE(Rlog(tmp / ("Timesheet/" + std::string(c.archive))).find(c.in_archive), std::string::npos)
        << Rlog(tmp / ("Timesheet/" + std::string(c.archive)));
    const std::string work =
        tmp / ("Timesheet/" + std::string(c.archive).substr(0, std::strlen(c.archive) - 2));
    EXPECT_TRUE(std::filesystem::exists(work));
    EXPECT_EQ(Writable(work), c.writable);
    EXPECT_EQ(StateShown("modRates"), c.state);
    // The engine's window showed the operation's outcome.
    EXPECT_NE(window->outcomes()->toPlainText().toStdString().find("> "), std::string::npos);
    Menu("Add-Ins", "&NORB Version Control (NORBVB5.nvb5VersionControl)");
    window.reset();
  }
  for (const auto& u : person.unexpected) ADD_FAILURE() << "unexpected message box: " << u;
}

}  // namespace

namespace {

// A person edits a component that is not checked out: the add-in refuses the save with its own
// text; the check-out's reload asks before it drops the edit, No keeps it, and the save then
// goes through.
TEST_F(Desktop, EditingSavesThroughTheAddInAndTheReloadAsksFirst) {
  ArchiveModRates();
  Open();
  Connect();
  const std::string file = tmp / "Timesheet/modRates.bas";
  const std::string before = Slurp(file);
  QTreeWidgetItem* row = Row("modRates");
  QRect at = window->tree()->visualItemRect(row);
  QTest::mouseClick(window->tree()->viewport(), Qt::LeftButton, {}, at.center());
  QTest::keyClick(window->tree(), Qt::Key_Return);
  auto* editor = qobject_cast<QPlainTextEdit*>(window->editors()->currentWidget());
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(window->editors()->tabText(window->editors()->currentIndex()).toStdString(),
            "modRates [read-only]");
  editor->moveCursor(QTextCursor::End);
  QTest::keyClicks(editor, "' a rate for Sundays");
  window->Refresh();
  EXPECT_TRUE(Row("modRates")->text(0).endsWith(" *"));

  person.Box(QMessageBox::Ok);
  Menu("File", "&Save");
  ASSERT_EQ(person.boxes.size(), 1u);
  const std::string windows_file = window->session().resolver().ToWindows(file);
  EXPECT_EQ(person.boxes[0], "Visual Basic has just requested to write " + windows_file +
                                 ", which is read-only.\n\nRequest denied. \n\n");
  EXPECT_EQ(Slurp(file), before);
  EXPECT_TRUE(Row("modRates")->text(0).endsWith(" *"));
  using Look = testing_support::Person::Look;
  EXPECT_EQ(person.looks[0], (Look{QMessageBox::Information, false, 1}));

  // A modified component's history waits for its save: a system-modal box, kept on top.
  person.Box(QMessageBox::Ok);
  window->tree()->setCurrentItem(Row("modRates"));
  std::unique_ptr<QMenu> history = window->ContextMenuFor(Row("modRates"));
  history->popup(window->tree()->mapToGlobal(QPoint(20, 20)));
  Click(history.get(), "Version &History");
  ASSERT_EQ(person.boxes.size(), 2u);
  EXPECT_EQ(person.boxes[1], windows_file + " needs saving...");
  EXPECT_EQ(person.looks[1], (Look{QMessageBox::NoIcon, true, 1}));

  // The check-out's reload asks; No keeps the edit in the editor.
  person.Then("frmExtract", [](QWidget* dialog) {
    Pick(dialog, {"modRates"});
    Press(dialog, "cmdOK");
  });
  person.Box(QMessageBox::No);
  window->tree()->setCurrentItem(Row("modRates"));
  std::unique_ptr<QMenu> menu = window->ContextMenuFor(Row("modRates"));
  menu->popup(window->tree()->mapToGlobal(QPoint(20, 20)));
  Click(menu.get(), "C&heck Out");
  EXPECT_TRUE(person.done());
  ASSERT_EQ(person.boxes.size(), 3u);
  EXPECT_EQ(person.boxes[2], "modRates has unsaved changes. Reload it from disk and lose them?");
  EXPECT_EQ(person.looks[2], (Look{QMessageBox::Warning, false, 2}));
  EXPECT_NE(editor->toPlainText().toStdString().find("' a rate for Sundays"), std::string::npos);
  EXPECT_NE(Rlog(file + ",v").find("ann: 1.1"), std::string::npos);

  Menu("File", "&Save");
  EXPECT_EQ(person.boxes.size(), 3u);
  EXPECT_NE(Slurp(file).find("' a rate for Sundays"), std::string::npos);
  window->Refresh();
  EXPECT_FALSE(Row("modRates")->text(0).endsWith(" *"));
  EXPECT_EQ(window->editors()->tabText(window->editors()->currentIndex()).toStdString(), "modRates");
  for (const auto& u : person.unexpected) ADD_FAILURE() << "unexpected message box: " << u;
}

// A file's history lists its revisions; a compare's diff reaches the engine's
// window; a comment set there is the next check-in's log message.
TEST_F(Desktop, HistoryCompareAndTheCheckInComment) {
  ASSERT_EQ(testing_support::Sh(
                "cd '" + (tmp / "Timesheet") +
                "' && LOGNAME=ann ci -q -u -t-first -mfirst modRates.bas && LOGNAME=ann co -q -l "
                "modRates.bas && echo \"' second\" >> modRates.bas && LOGNAME=ann ci -q -l -msecond "
                "modRates.bas && echo \"' third\" >> modRates.bas </dev/null"),
            0);
  Open();
  Connect();
  auto context = [&](const char* item) {
    window->tree()->setCurrentItem(Row("modRates"));
    std::unique_ptr<QMenu> menu = window->ContextMenuFor(Row("modRates"));
    menu->popup(window->tree()->mapToGlobal(QPoint(20, 20)));
    Click(menu.get(), item);
  };
  std::vector<std::string> entries;
  person.Then("frmVersions", [&entries](QWidget* dialog) {
    auto* list = dialog->findChild<QListWidget*>("lstVersions");
    for (int i = 0; list && i < list->count(); ++i) entries.push_back(list->item(i)->text().toStdString());
    QTest::keyClick(dialog, Qt::Key_Escape);
  });
  context("Version &History");
  EXPECT_TRUE(person.done());
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].substr(0, 3), "1.1");
  EXPECT_EQ(entries[1].substr(0, 3), "1.2");
  EXPECT_NE(entries[1].find("second"), std::string::npos);

  context("Delta &Compare");
  QApplication::processEvents();
  const std::string diff = window->diff()->toPlainText().toStdString();
  EXPECT_NE(diff.find("+' third"), std::string::npos) << diff;
  EXPECT_NE(diff.find("@@"), std::string::npos) << diff;

  auto* comment = window->findChild<QLineEdit*>("comment");
  QTest::keyClicks(comment, "Sunday rates");
  QTest::mouseClick(window->findChild<QPushButton*>("setComment"), Qt::LeftButton);
  EXPECT_NE(window->outcomes()->toPlainText().toStdString().find("Sunday rates"), std::string::npos)
      << window->outcomes()->toPlainText().toStdString();
  person.Then("frmUpdate", [](QWidget* dialog) {
    Pick(dialog, {"modRates"});
    Press(dialog, "cmdOK");
  });
  Menu("Tools", "Check &In");
  EXPECT_TRUE(person.done());
  EXPECT_NE(Rlog(tmp / "Timesheet/modRates.bas,v").find("Sunday rates"), std::string::npos);
  for (const auto& u : person.unexpected) ADD_FAILURE() << "unexpected message box: " << u;
}

// A group shows every project, its startup one active; "Set as Start Up" makes another active.
TEST_F(Desktop, AGroupsStartupProjectIsActiveUntilAnotherIsSet) {
  tmp.Write("Other/Other.vbp", "Type=Exe\r\nModule=modOther; modOther.bas\r\nName=\"Other\"\r\n");
  tmp.Write("Other/modOther.bas", "Attribute VB_Name = \"modOther\"\r\n");
  tmp.Write("All.vbg",
            "VBGROUP 5.0\r\nStartupProject=Timesheet\\Timesheet.vbp\r\nProject=Other\\Other.vbp\r\n");
  window = std::make_unique<vbgui::MainWindow>(
      vbgui::DesktopOptions{vbhost::SessionOptions{tmp / "bin", bus.Address(), true}, tmp / "windows"});
  window->show();
  ASSERT_TRUE(window->OpenFile(tmp / "All.vbg"));
  QTreeWidget* tree = window->tree();
  ASSERT_EQ(tree->topLevelItemCount(), 2);
  EXPECT_EQ(tree->topLevelItem(0)->text(0).toStdString(), "Timesheet (Timesheet.vbp)");
  EXPECT_TRUE(tree->topLevelItem(0)->font(0).bold());
  EXPECT_EQ(tree->topLevelItem(1)->text(0).toStdString(), "Other.vbp");
  std::unique_ptr<QMenu> menu = window->ContextMenuFor(tree->topLevelItem(1));
  menu->popup(tree->mapToGlobal(QPoint(20, 20)));
  Click(menu.get(), "Set as Start &Up");
  window->Refresh();
  EXPECT_EQ(window->session().app().active()->Name(), "Other");
  EXPECT_EQ(tree->topLevelItem(0)->text(0).toStdString(), "Timesheet.vbp");
  EXPECT_EQ(tree->topLevelItem(1)->text(0).toStdString(), "Other (Other.vbp)");
  EXPECT_TRUE(tree->topLevelItem(1)->font(0).bold());
  EXPECT_NE(Row("modOther"), nullptr);
}

}  // namespace
