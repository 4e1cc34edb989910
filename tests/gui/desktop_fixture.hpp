// The desktop on a copy of the sample project, the real engine over a private bus, and a person
// at the keyboard: menus opened by their keys, dialogs and message boxes answered as they come.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <string>

#include "dde/private_bus.hpp"
#include "gui/main_window.hpp"
#include "tests/dde/session_bus_at.hpp"
#include "tests/support/temp_folder.hpp"

namespace testing_support {

// Answers what pops up, in order: each step names the window it waits for (a form's name, or
// "msgbox") and what the person does there. A message box nobody expected is recorded and
// closed with its escape answer.
class Person {
 public:
  using Step = std::function<void(QWidget*)>;
  Person() {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Watch(); });
    timer_.start();
  }
  void Then(std::string window, Step step) { steps_.push_back({std::move(window), std::move(step)}); }
  // A message box whose text is recorded, answered with `button`.
  void Box(QMessageBox::StandardButton button) {
    Then("msgbox", [this, button](QWidget* w) {
      auto* box = static_cast<QMessageBox*>(w);
      boxes.push_back(box->text().toStdString());
      looks.push_back({box->icon(), box->windowFlags().testFlag(Qt::WindowStaysOnTopHint),
                       static_cast<int>(box->buttons().size())});
      QTest::mouseClick(box->button(button), Qt::LeftButton);
    });
  }
  bool done() const { return steps_.empty(); }
  // Runs at every look, also while the add-in yields with DoEvents.
  std::function<void()> on_tick;
  std::vector<std::string> boxes;
  // How each box looked: its icon, whether it stays on top, how many buttons it had.
  struct Look {
    QMessageBox::Icon icon;
    bool on_top;
    int buttons;
    bool operator==(const Look&) const = default;
  };
  std::vector<Look> looks;
  std::vector<std::string> unexpected;

 private:
  void Watch() {
    if (on_tick) on_tick();
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal == busy_) return;
    std::string name = modal->objectName().toStdString();
    if (!steps_.empty() && steps_.front().first == name) {
      auto step = std::move(steps_.front().second);
      steps_.pop_front();
      busy_ = modal;
      step(modal);
      busy_ = nullptr;
      return;
    }
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      unexpected.push_back(box->text().toStdString());
      box->reject();
    }
  }
  QTimer timer_;
  std::deque<std::pair<std::string, Step>> steps_;
  QWidget* busy_ = nullptr;
};

inline int Sh(const std::string& command) { return WEXITSTATUS(std::system(command.c_str())); }

class Desktop : public ::testing::Test {
 protected:
  Desktop() {
    std::filesystem::copy(std::string(NORB_SOURCE_DIR) + "/examples/Timesheet", tmp / "Timesheet",
                          std::filesystem::copy_options::recursive);
    std::filesystem::create_directories(tmp / "bin");
    std::filesystem::copy_file(std::string(NORB_BIN_DIR) + "/WNORB16.EXE", tmp / "bin/WNORB16.EXE");
    tmp.Write("bin/WNORB.INI", "[Engine]\r\nLocking=Y\r\nUserID=ann\r\n");
    tmp.Write("windows/vbaddin.ini", "[Add-Ins32]\r\nNORBVB5.nvb5VersionControl=0\r\n");
  }
  ~Desktop() override { window.reset(); }

  // modRates stored at 1.1 and free; its work file read-only, as the engine leaves it.
  void ArchiveModRates() {
    ASSERT_EQ(Sh("cd '" + (tmp / "Timesheet") +
                 "' && LOGNAME=ann ci -q -u -t-first -mfirst modRates.bas </dev/null"),
              0);
  }
  void Open() {
    window = std::make_unique<vbgui::MainWindow>(
        vbgui::DesktopOptions{vbhost::SessionOptions{tmp / "bin", bus.Address(), true}, tmp / "windows",
                              std::getenv("NORB_GUI_TRACE") ? &std::cerr : nullptr});
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ASSERT_TRUE(window->OpenFile(tmp / "Timesheet/Timesheet.vbp"));
  }
  // Opens a menu of the menu bar with a click on its title, then clicks the item with that
  // caption (access key marks included).
  void Menu(const char* title, const char* item) {
    QMenuBar* bar = window->menuBar();
    QAction* menu_action = nullptr;
    for (QAction* a : bar->actions()) {
      if (a->text().remove('&') == title) menu_action = a;
    }
    ASSERT_NE(menu_action, nullptr) << title;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu_action).center());
    QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr) << "the " << title << " menu did not open";
    Click(menu, item);
  }
  static void Click(QMenu* menu, const char* item) {
    for (QAction* a : menu->actions()) {
      if (a->text() == item) {
        ASSERT_TRUE(a->isEnabled()) << item;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
        QApplication::processEvents();
        return;
      }
    }
    FAIL() << "no item " << item << " in " << menu->title().toStdString();
  }
  void Connect() { Menu("Add-Ins", "&NORB Version Control (NORBVB5.nvb5VersionControl)"); }
  // The Project window's row of a component.
  QTreeWidgetItem* Row(const std::string& component) {
    auto items = window->tree()->findItems(QString::fromStdString(component),
                                           Qt::MatchStartsWith | Qt::MatchRecursive);
    for (auto* item : items) {
      if (item->data(0, Qt::UserRole).toString().toStdString() == component) return item;
    }
    return nullptr;
  }
  long StateShown(const std::string& component) {
    window->Refresh();
    QTreeWidgetItem* row = Row(component);
    return row ? row->data(0, Qt::UserRole + 3).toInt() : -1;
  }
  // Picks rows of a dialog's list by their component names, with Ctrl as a person adds to a selection.
  static void Pick(QWidget* dialog, const std::vector<std::string>& names) {
    auto* list = dialog->findChild<QTreeWidget*>("ListView1");
    ASSERT_NE(list, nullptr);
    bool first = true;
    for (const auto& n : names) {
      auto found = list->findItems(QString::fromStdString(n), Qt::MatchExactly);
      ASSERT_EQ(found.size(), 1) << n;
      QTest::mouseClick(list->viewport(), Qt::LeftButton, first ? Qt::NoModifier : Qt::ControlModifier,
                        list->visualItemRect(found[0]).center());
      first = false;
    }
  }
  static void Press(QWidget* dialog, const char* button) {
    auto* b = dialog->findChild<QPushButton*>(button);
    ASSERT_NE(b, nullptr) << button;
    QTest::mouseClick(b, Qt::LeftButton);
  }
  std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  TempFolder tmp;
  dde::PrivateBus bus;
  SessionBusAt session_bus{bus.Address()};
  Person person;
  std::unique_ptr<vbgui::MainWindow> window;
};

}  // namespace testing_support
