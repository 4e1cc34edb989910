// The desktop as a person uses it: menus by their keys, the add-in's dialogs as windows, the
// real engine behind them.
#include <sys/stat.h>

#include <QPlainTextEdit>
#include <QTabWidget>
#include <cstring>
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

namespace {

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
