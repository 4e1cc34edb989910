// The desktop as a person uses it: menus by their keys, the add-in's dialogs as windows, the
// real engine behind them.
#include <sys/stat.h>

#include <QPlainTextEdit>
#include <QTabWidget>
#include <fstream>

#include "tests/gui/desktop_fixture.hpp"

namespace {

using testing_support::Desktop;

TEST_F(Desktop, ToolsCheckOutTakesTheLockAndTheTreeShowsIt) {
  ArchiveModRates();
  Open();
  Connect();
  // The connect's lock pass drew every state: modRates archived and free, the rest never stored.
  EXPECT_EQ(StateShown("modRates"), 1);
  EXPECT_EQ(StateShown("frmTimesheet"), 0);
  EXPECT_EQ(Row("modRates")->toolTip(0).toStdString(), "Not checked out: read-only here, free to check out");

  person.Then("frmExtract", [](QWidget* dialog) {
    Pick(dialog, {"modRates"});
    Press(dialog, "cmdOK");
  });
  Menu("Tools", "C&heck Out");  // C&heck Out
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
