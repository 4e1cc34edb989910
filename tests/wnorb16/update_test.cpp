#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "engine_fixture.hpp"

namespace testing_support {
namespace {

// S takes the revision VERSION set, once; B makes a new branch; M and no option the next revision.
TEST_F(EngineTest, RevisionsAreNumberedByOptionAndVersion) {
  Archived("N.BAS", "0\n");
  const std::string n = Windows("N.BAS");
  int edit = 0;
  auto check_in = [&](const std::string& options) {
    Run("EW " + n);
    Write("N.BAS", std::to_string(++edit) + "\n");
    return StatusLines(Run(options + " " + n))[1];
  };
  EXPECT_EQ(check_in("UW"), n + ": checked in as revision 2.1; work file read-only");
  EXPECT_EQ(check_in("UBW"), n + ": checked in as revision 2.1.1.1; work file read-only");
  EXPECT_EQ(check_in("UBW"), n + ": checked in as revision 2.1.2.1; work file read-only");  // another branch
  // An older trunk revision, checked out by version, goes on a branch of its own.
  EXPECT_EQ(Run("VERSION 1.9"), "Version of ann's next command with S: 1.9\r\n");
  EXPECT_EQ(Run("VERSION"), "No version set; ann's next command with S is refused\r\n");
  EXPECT_EQ(Run("VERSION 1.1"), "Version of ann's next command with S: 1.1\r\n");
  EXPECT_EQ(StatusLines(Run("ESW " + n))[0], "1 of 1 files extracted");
  EXPECT_TRUE(Run("EBSW " + n).starts_with("ERROR: option S"));  // used once
  Write("N.BAS", "old\n");
  EXPECT_EQ(StatusLines(Run("UW " + n))[1], n + ": checked in as revision 1.1.1.1; work file read-only");
}

TEST_F(EngineTest, ACommentSetBeforehandIsTheUsersNextCheckInOnly) {
  Archived("C.BAS", "0\n");
  const std::string c = Windows("C.BAS");
  auto check_in = [&](const std::string& contents) {
    Run("EW " + c);
    Write("C.BAS", contents);
    Run("UW " + c);
    return StatusLines(Run("L " + c)).back();
  };
  // In the code page on the link, in UTF-8 in the archive, as every Linux tool reads it.
  EXPECT_EQ(Run("COMMENT fixed the rounding (r\xE9sum\xE9), see #12"),
            "Comment of ann's next check-in: fixed the rounding (r\xE9sum\xE9), see #12\r\n");
  // A discard stores nothing and leaves the comment for the check-in that does.
  Run("EW " + c);
  Run("UDW " + c);
  EXPECT_TRUE(check_in("1\n").ends_with("  ann         fixed the rounding (r\xE9sum\xE9), see #12"));
  EXPECT_NE(Contents(Archive("C.BAS")).find("@fixed the rounding (r\xC3\xA9sum\xC3\xA9), see #12\n@"),
            std::string::npos)
      << Contents(Archive("C.BAS"));
  EXPECT_TRUE(check_in("2\n").ends_with("  ann         Checked in by WNORB16 (UW)"));
  // Another person's comment is not ours, and one cleared is gone.
  Run("COMMENT ann's words");
  EXPECT_EQ(Run("COMMENT"), "No comment set; ann's next check-in says \"Checked in by WNORB16 (...)\"\r\n");
  tmp_.Write("WNORB.INI", "[Engine]\nUserID=bob\n");
  Run("COMMENT bob's words");
  tmp_.Write("WNORB.INI", "[Engine]\nLocking=Y\nUserID=ann\n");  // another size: read again at once
  EXPECT_TRUE(check_in("3\n").ends_with("  ann         Checked in by WNORB16 (UW)"));
}

// RCS that stops short (RcsPrograms= naming its folder): ci stores the revision, but its report lacks the
// "done" that ends it. Such a file is read back from its archive and counted, with the last words RCS said.
TEST_F(EngineTest, ACheckInRcsDidNotReportDoneIsReadBackFromTheArchive) {
  const std::string rcs = tmp_.MakeDir("rcs");
  for (const char* program : {"rcs", "co", "ci", "rcsdiff", "rlog"}) {
    tmp_.Write(std::string("rcs/") + program,
               "#!/bin/sh\nname=${0##*/}\ncase \"$name $1\" in\n"
               "  'ci '*|'rcs ci') \"$name\" \"$@\" 2>&1 | sed '/^done$/d' >&2 ;;\n"
               "  *) exec \"$name\" \"$@\" ;;\nesac\n",
               0755);
  }
  // Named by the settings, as an engine on Windows names the RCS it runs.
  tmp_.Write("WNORB.INI", "[Engine]\nRcsPrograms=" + rcs + "\n");
  Engine engine(DefaultSetup());
  for (const char* name : {"P.FRM", "K.FRM", "U.FRM"}) Archived(name, "p\n");
  engine.Execute("EW " + Windows("P.FRM") + "," + Windows("K.FRM") + "," + Windows("U.FRM"));
  Write("P.FRM", "edited\n");
  Write("K.FRM", "edited\n");
  // RCS's last words about the file stand for the "done" it did not say.
  const std::string new_revision = "; RCS did not finish: new revision: 2.1; previous revision: 1.1";
  const struct {
    std::string command, name, what;
  } cases[] = {
      {"UW", "P.FRM", "checked in as revision 2.1; work file read-only" + new_revision},
      {"UKW", "K.FRM", "checked in as revision 2.1; still checked out to you" + new_revision},
      {"UW", "U.FRM",
       "unchanged; revision 1.1 kept, lock released; RCS did not finish: file is unchanged; reverting to "
       "previous revision 1.1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(engine.Execute(c.command + " " + Windows(c.name)),
              "1 of 1 files updated\r\n" + Windows(c.name) + ": " + c.what + "\r\n");
    EXPECT_EQ(ReadOnly(Path(c.name)), c.command == "UW") << c.name;
  }
}

// A component's files named in one check-in or discard go both or neither: one that cannot go holds
// the other as it was. F skips a component only when neither file changed. A file the store gives
// up on after its companion was stored is said to be so, on both lines.
TEST_F(EngineTest, AComponentIsCheckedInWholeOrNotAtAll) {
  const std::vector<std::string> names = {"A.DSR", "A.DSX", "B.CTL", "B.CTX", "C.FRM",
                                          "C.FRX", "E.FRM", "E.FRX", "P.DOB", "P.DOX"};
  std::string all, held;
  for (const std::string& name : names) {
    Archived(name, "v1\n");
    all += (all.empty() ? "" : ",") + Windows(name);
    if (name != "A.DSX") held += (held.empty() ? "" : ",") + Windows(name);
  }
  Run("EW " + held);
  for (const char* name : {"A.DSR", "B.CTL", "C.FRM", "C.FRX", "E.FRM", "P.DOB", "P.DOX"})
    Write(name, "v2\n");
  std::filesystem::remove(Path("B.CTX"));
  tmp_.Write("proj/RCS/,P.DOX,", "");  // another RCS run is rewriting the archive
  const std::string a_archive = Contents(Archive("A.DSR")), b_archive = Contents(Archive("B.CTL"));
  const std::string answer = Run("UFW " + all);
  const std::string lines[] = {
      "not updated: its companion A.DSX cannot be (not checked out to you)",
      "not checked out to you; not updated",
      "not updated: its companion B.CTX cannot be (no work file)",
      "no work file; not updated",
      "checked in as revision 2.1; work file read-only",
      "checked in as revision 2.1; work file read-only",
      "checked in as revision 2.1; work file read-only",
      "unchanged; revision 1.1 kept, lock released",
      "checked in as revision 2.1; work file read-only; its companion P.DOX was not checked in",
      "in use by another RCS command; left alone; its companion P.DOB was checked in",
  };
  std::string expected = "5 of 10 files updated\r\n";
  for (std::size_t i = 0; i < names.size(); ++i) expected += Windows(names[i]) + ": " + lines[i] + "\r\n";
  EXPECT_EQ(answer, expected);
  EXPECT_EQ(Contents(Archive("A.DSR")), a_archive);
  EXPECT_EQ(Contents(Archive("B.CTL")), b_archive);
  EXPECT_FALSE(ReadOnly(Path("A.DSR")));

  // A discard likewise: the edits stay while the companion is someone else's. Without our lock
  // there is nothing to discard, and a writable file stays as it is.
  Archived("D.FRM", "v1\n");
  Archived("D.FRX", "v1\n");
  Archived("N.BAS", "v1\n");
  LockAs("bob", "D.FRX");
  Run("EW " + Windows("D.FRM"));
  Write("D.FRM", "v2\n");
  Write("N.BAS", "not given out\n");
  EXPECT_EQ(Run("UDW " + Windows("D.FRM") + "," + Windows("D.FRX") + "," + Windows("N.BAS")),
            "0 of 3 files updated\r\n" + Windows("D.FRM") +
                ": not updated: its companion D.FRX cannot be (checked out to bob)\r\n" + Windows("D.FRX") +
                ": checked out to bob; left alone\r\n" + Windows("N.BAS") +
                ": not checked out to you; nothing to discard\r\n");
  EXPECT_EQ(Contents(Path("D.FRM")), "v2\n");
  EXPECT_EQ(Contents(Path("N.BAS")), "not given out\n");
  EXPECT_EQ(Run("T " + Windows("D.FRM")), Locked(Windows("D.FRM"), "you", "ann", "1.1"));
}

// The administrator breaks ann's lock (rcs -u -M), bob checks in 2.1 from a work file of his own,
// and ann's work file still holds her edit of 1.1. However she comes to hold the lock again, the
// engine stores nothing over 2.1 that ann never saw, and her edit stays; the way in the engine
// notes names is hers to take: her edit merged aside, E, and the merge checked in as 3.1.
TEST_F(EngineTest, NothingIsStoredOverARevisionTheWorkFileDoesNotComeFrom) {
  const std::string stored = "a\nb\nc\nd\ne\nf\n", anns = "ANN\nb\nc\nd\ne\nf\n",
                    bobs = "a\nb\nc\nd\ne\nBOB\n";
  const std::string newer = "the archive holds a newer revision, 2.1, than the work file";
  const std::string not_locked =
      "; not locked (E brings it with the lock once a changed work file is moved aside)";
  const std::string not_checked_in =
      "; not checked in, nothing merged (E brings it with the lock once the work file is moved aside)";
  const struct {
    std::string how;
    std::string after_break;  // "": the same engine; "restart": a new one; "damaged": WNORB.REV too
    std::string reserve, update;
  } cases[] = {
      {"ann locks it again through the engine", "", newer + " (from 1.1)" + not_locked,
       "not checked out to you; not updated"},
      {"ann locks it by hand, then a new engine", "restart", "revision 2.1 is already checked out to you",
       newer + " (from 1.1)" + not_checked_in},
      {"the engine's notes are lost, her edit older than 2.1", "damaged", newer + not_locked,
       newer + not_checked_in},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.how);
    const std::string name = "F" + std::to_string(i) + ".BAS", f = Windows(name);
    Archived(name, stored);
    Run("EW " + f);
    Write(name, anns);
    Rcs("rcs", {"-u", "-M", Archive(name)}, "admin");
    const std::string bob = tmp_ / ("bob/" + name);
    tmp_.MakeDir("bob");
    Rcs("co", {"-l", Archive(name), bob}, "bob");
    tmp_.Write("bob/" + name, bobs);
    Rcs("ci", {"-u", "-r2", "-mbob", Archive(name), bob}, "bob");
    if (c.after_break == "damaged") {
      tmp_.Write("WNORB.REV", "WNORB16 work file bases 1\n\x01garbage\n");
      std::filesystem::last_write_time(Path(name),
                                       std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    }
    if (!c.after_break.empty()) engine_.reset();
    if (c.after_break == "restart") Rcs("rcs", {"-l", Archive(name)});

    EXPECT_EQ(StatusLines(Run("ERW " + f))[1], f + ": " + c.reserve);
    if (c.after_break == "damaged") Rcs("rcs", {"-l", Archive(name)});
    EXPECT_EQ(StatusLines(Run("UW " + f))[1], f + ": " + c.update);
    EXPECT_EQ(rcs_.Run("co", {"-p", "-q", Archive(name)}, kUser).out, bobs);
    EXPECT_EQ(Contents(Path(name)), anns);
    EXPECT_FALSE(ReadOnly(Path(name)));
  }

  // RCS merges bob's change into her copy, which she moves aside while E brings 2.1 with the lock.
  const std::string f = Windows("F0.BAS");
  const std::string merge = "rcsmerge -q -r1.1 -r2.1 '" + Archive("F0.BAS") + "' '" + Path("F0.BAS") + "'";
  ASSERT_EQ(std::system(merge.c_str()), 0);
  std::filesystem::rename(Path("F0.BAS"), Path("F0.BAS.mine"));
  EXPECT_EQ(StatusLines(Run("EW " + f))[1], f + ": revision 2.1 extracted and locked");
  std::filesystem::rename(Path("F0.BAS.mine"), Path("F0.BAS"));
  EXPECT_EQ(StatusLines(Run("UW " + f))[1], f + ": checked in as revision 3.1; work file read-only");
  EXPECT_EQ(Contents(Path("F0.BAS")), "ANN\nb\nc\nd\ne\nBOB\n");
}

}  // namespace
}  // namespace testing_support
