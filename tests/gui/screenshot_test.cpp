// Looks: the main window and each of the add-in's dialogs as the X server shows them, saved to
// build/screenshots/. An image of one colour, or close to it, means the window drew nothing.
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTabWidget>
#include <QWindow>
#include <set>

#include "tests/gui/desktop_fixture.hpp"

namespace {

using testing_support::Desktop;
constexpr int kFewest = 16;

// Saves what the screen shows of `widget`; answers the number of distinct colours in it.
int Shoot(QWidget* widget, const std::string& name) {
  QApplication::processEvents();
  widget->repaint();
  QScreen* screen = widget->screen();
  QImage image = screen->grabWindow(widget->winId()).toImage();
  if (image.isNull()) image = widget->grab().toImage();
  QDir().mkpath(NORB_SCREENSHOT_DIR);
  image.save(QString(NORB_SCREENSHOT_DIR) + "/" + QString::fromStdString(name) + ".png");
  std::set<QRgb> colours;
  for (int y = 0; y < image.height(); y += 2) {
    for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
  }
  return static_cast<int>(colours.size());
}

TEST_F(Desktop, EveryWindowDrawsItself) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display (scripts/test runs this under Xvfb)";
  ArchiveModRates();
  Open();
  int splash_colours = -1;
  person.on_tick = [&splash_colours] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() == "frmSplash" && w->isVisible() && splash_colours < 0)
        splash_colours = Shoot(w, "progress");
    }
  };
  Connect();
  person.on_tick = nullptr;
  EXPECT_GE(splash_colours, kFewest);
  window->OpenEditor("modRates");
  window->tree()->setCurrentItem(Row("modRates"));

  EXPECT_GE(Shoot(window.get(), "main-window"), kFewest);

  person.Then("frmExtract", [](QWidget* dialog) {
    EXPECT_GE(Shoot(dialog, "check-out"), kFewest);
    Pick(dialog, {"modRates"});
    Press(dialog, "cmdOK");
  });
  Menu("Tools", "C&heck Out");
  person.Then("frmUpdate", [](QWidget* dialog) {
    EXPECT_GE(Shoot(dialog, "check-in"), kFewest);
    auto* tabs = dialog->findChild<QTabBar*>();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    EXPECT_GE(Shoot(dialog, "check-in-options"), kFewest);
    Press(dialog, "cmdCancel");
  });
  Menu("Tools", "Check &In");
  person.Then("frmVersions", [](QWidget* dialog) {
    EXPECT_GE(Shoot(dialog, "history"), kFewest);
    Press(dialog, "cmdOK");
  });
  window->tree()->setCurrentItem(Row("modRates"));
  std::unique_ptr<QMenu> menu = window->ContextMenuFor(Row("modRates"));
  ASSERT_NE(menu, nullptr);
  menu->popup(window->tree()->mapToGlobal(QPoint(40, 40)));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(menu.get()));
  EXPECT_GE(Shoot(menu.get(), "context-menu"), kFewest);
  Click(menu.get(), "Version &History");
  // A message box: the save of an edited, read-only component is refused.
  std::filesystem::permissions(tmp / "Timesheet/Classes/CEntry.cls", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  auto* editor = window->OpenEditor("CEntry");
  ASSERT_NE(editor, nullptr);
  QTest::keyClicks(editor, "x");
  person.Then("msgbox", [](QWidget* box) {
    EXPECT_GE(Shoot(box, "message-box"), kFewest);
    QTest::keyClick(box, Qt::Key_Escape);
  });
  Menu("File", "&Save");
  EXPECT_TRUE(person.done());
  for (const auto& u : person.unexpected) ADD_FAILURE() << "unexpected message box: " << u;
  EXPECT_GE(Shoot(window.get(), "main-window-checked-out"), kFewest);
}

}  // namespace
