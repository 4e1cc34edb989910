#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

#include "engine_fixture.hpp"

namespace testing_support {
namespace {

// The revisions of an archive as the history lists them.
std::vector<std::string> Revisions(Engine& engine, const std::string& name) {
  std::vector<std::string> revisions;
  std::vector<std::string> lines = StatusLines(engine.Execute("L " + name));
  for (std::size_t i = 2; i < lines.size(); ++i) revisions.push_back(lines[i].substr(0, lines[i].find(' ')));
  return revisions;
}

TEST_F(EngineTest, UpdateChecksInAndReleasesTheLock) {
  Archived("A.FRM", "a\n");
  Archived("B.FRM", "b\n");
  const std::string a = Windows("A.FRM"), b = Windows("B.FRM");
  Run("EW " + a + "," + b);
  Write("A.FRM", "a changed\n");

  EXPECT_EQ(Run("UW " + a + "," + b), "2 of 2 files updated\r\n" + a +
                                          ": checked in as revision 2.1; work file read-only\r\n" + b +
                                          ": unchanged; revision 1.1 kept, lock released\r\n");
  EXPECT_TRUE(ReadOnly(Path("A.FRM")));
  EXPECT_TRUE(ReadOnly(Path("B.FRM")));
  EXPECT_EQ(Contents(Path("A.FRM")), "a changed\n");
  EXPECT_EQ(Run("T " + a), a + " is not checked out\r\n");
  EXPECT_EQ(Run("T " + b), b + " is not checked out\r\n");
  std::vector<std::string> history = StatusLines(Run("L " + a));
  EXPECT_TRUE(history.back().ends_with("  ann         Checked in by WNORB16 (UW)")) << history.back();
}

TEST_F(EngineTest, UpdateNumbersRevisionsByOption) {
  Archived("N.BAS", "0\n");
  const std::string n = Windows("N.BAS");
  int edit = 0;
  auto check_in = [&](const std::string& options) {
    Run("EW " + n);
    Write("N.BAS", std::to_string(++edit) + "\n");
    return StatusLines(Run(options + " " + n))[1];
  };
  EXPECT_EQ(check_in("UW"), n + ": checked in as revision 2.1; work file read-only");   // a new trunk number
  EXPECT_EQ(check_in("UMW"), n + ": checked in as revision 2.2; work file read-only");  // minor
  EXPECT_EQ(check_in("UBW"), n + ": checked in as revision 2.2.1.1; work file read-only");
  EXPECT_EQ(check_in("UBW"), n + ": checked in as revision 2.2.2.1; work file read-only");  // another branch
  EXPECT_EQ(check_in("UKW"), n + ": checked in as revision 3.1; still checked out to you");
  EXPECT_FALSE(ReadOnly(Path("N.BAS")));
  EXPECT_TRUE(Run("T " + n).ends_with("locked revision 3.1\r\n"));

  // An older trunk revision, checked out by version, goes on a branch of its own.
  Run("UDW " + n);
  EXPECT_TRUE(Run("VERSION 1.9").starts_with("Version of "));
  EXPECT_TRUE(Run("VERSION 1.1").starts_with("Version of "));
  Run("ESW " + n);
  Write("N.BAS", "old\n");
  EXPECT_EQ(StatusLines(Run("UW " + n))[1], n + ": checked in as revision 1.1.1.1; work file read-only");
  std::vector<std::string> revisions = Revisions(engine(), n);
  std::sort(revisions.begin(), revisions.end());  // in one second, the history's order is RCS's
  EXPECT_EQ(revisions,
            (std::vector<std::string>{"1.1", "1.1.1.1", "2.1", "2.2", "2.2.1.1", "2.2.2.1", "3.1"}));
}

TEST_F(EngineTest, ACommentSetBeforehandIsTheUsersNextCheckInOnly) {
  Archived("C.BAS", "0\n");
  const std::string c = Windows("C.BAS");
  auto history = [&] { return StatusLines(Run("L " + c)).back(); };
  EXPECT_EQ(Run("COMMENT fixed the rounding, see #12"),
            "Comment of ann's next check-in: fixed the rounding, see #12\r\n");
  // A discard stores nothing and leaves the comment for the check-in that does.
  Run("EW " + c);
  Run("UDW " + c);
  Run("EW " + c);
  Write("C.BAS", "1\n");
  Run("UW " + c);
  EXPECT_TRUE(history().ends_with("  ann         fixed the rounding, see #12")) << history();
  Run("EW " + c);
  Write("C.BAS", "2\n");
  Run("UKW " + c);
  EXPECT_TRUE(history().ends_with("  ann         Checked in by WNORB16 (UKW)")) << history();

  // Another person's comment is not ours, and one cleared is gone.
  Run("COMMENT ann's words");
  Run("COMMENT");
  tmp_.Write("WNORB.INI", "[Engine]\nUserID=bob\n");
  Run("COMMENT bob's words");
  tmp_.Write("WNORB.INI", "[Engine]\nLocking=Y\nUserID=ann\n");  // another size: read again at once
  Write("C.BAS", "3\n");
  Run("UW " + c);
  EXPECT_TRUE(history().ends_with("  ann         Checked in by WNORB16 (UW)")) << history();
}

// A folder in which no file can be made, for as long as it lives; for root, whom the mode does
// not stop, the folder is made immutable too.
class ClosedFolder {
 public:
  explicit ClosedFolder(std::string path) : path_(std::move(path)) {
    chmod(path_.c_str(), 0555);
    if (geteuid() == 0) SetImmutable(true);
    const std::string probe = path_ + "/probe";
    const int fd = open(probe.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    closed_ = fd < 0;
    if (fd >= 0) {
      close(fd);
      unlink(probe.c_str());
    }
  }
  ~ClosedFolder() {
    if (geteuid() == 0) SetImmutable(false);
    chmod(path_.c_str(), 0755);
  }
  bool closed() const { return closed_; }

 private:
  void SetImmutable(bool on) {
    const int fd = open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    int flags = 0;
    if (ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
      flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    close(fd);
  }
  std::string path_;
  bool closed_ = false;
};

// ci stores the revision, then cannot write the work file again in a folder closed to it.
TEST_F(EngineTest, ACheckInRcsCouldNotFinishIsReportedAsItEnded) {
  Archived("P.FRM", "' $Id$\n");
  Archived("K.FRM", "' $Id$\n");
  Archived("U.FRM", "' $Id$\n");
  Run("EW " + Windows("P.FRM") + "," + Windows("K.FRM") + "," + Windows("U.FRM"));
  Write("P.FRM", "' $Id$\nedited\n");
  Write("K.FRM", "' $Id$\nedited\n");
  std::vector<std::string> u, uk, unchanged;
  {
    ClosedFolder folder(tmp_ / "proj");
    if (!folder.closed()) GTEST_SKIP() << "no folder can be closed to this user";
    u = StatusLines(Run("UW " + Windows("P.FRM")));
    uk = StatusLines(Run("UKW " + Windows("K.FRM")));
    unchanged = StatusLines(Run("UW " + Windows("U.FRM")));
  }
  ASSERT_EQ(u.size(), 2u);
  EXPECT_EQ(u[0], "1 of 1 files updated");
  EXPECT_TRUE(u[1].starts_with(Windows("P.FRM") +
                               ": checked in as revision 2.1; work file read-only; RCS did not "
                               "finish: "))
      << u[1];
  EXPECT_TRUE(ReadOnly(Path("P.FRM")));
  EXPECT_EQ(Run("T " + Windows("P.FRM")), Windows("P.FRM") + " is not checked out\r\n");
  EXPECT_EQ(Contents(Path("P.FRM")), "' $Id$\nedited\n");  // RCS could not write it again

  ASSERT_EQ(uk.size(), 2u);
  EXPECT_EQ(uk[0], "1 of 1 files updated");
  EXPECT_TRUE(uk[1].starts_with(Windows("K.FRM") +
                                ": checked in as revision 2.1; still checked out to you; RCS "
                                "did not finish: "))
      << uk[1];
  EXPECT_FALSE(ReadOnly(Path("K.FRM")));
  EXPECT_TRUE(Run("T " + Windows("K.FRM")).ends_with("locked revision 2.1\r\n"));

  // Nothing to store: ci released the lock before it gave up.
  ASSERT_EQ(unchanged.size(), 2u);
  EXPECT_TRUE(unchanged[1].starts_with(Windows("U.FRM") +
                                       ": unchanged; revision 1.1 kept, lock released; RCS did "
                                       "not finish: "))
      << unchanged[1];
  EXPECT_TRUE(ReadOnly(Path("U.FRM")));
}

TEST_F(EngineTest, UpdateCreatesArchivesForNewFilesAndRefusesOthersLocks) {
  Write("new form.frm", "brand new\n");
  Archived("BOBS.FRM", "b\n");
  LockAs("bob", "BOBS.FRM");
  Archived("FREE.FRM", "f\n");
  const std::string fresh = Short("new form.frm"), bobs = Windows("BOBS.FRM"), free = Windows("FREE.FRM");
  const std::string bobs_before = Contents(Archive("BOBS.FRM"));

  EXPECT_EQ(Run("UW " + bobs + "," + fresh + "," + free + "," + Windows("GONE.FRM")),
            "1 of 4 files updated\r\n" + bobs + ": checked out to bob; left alone\r\n" + fresh +
                ": archive created with revision 1.1; work file read-only\r\n" + free +
                ": not checked out to you; not updated\r\n" + Windows("GONE.FRM") +
                ": no work file; not updated\r\n");
  EXPECT_TRUE(ReadOnly(Path("new form.frm")));
  EXPECT_EQ(Run("T " + fresh), fresh + " is not checked out\r\n");
  EXPECT_EQ(Contents(Archive("BOBS.FRM")), bobs_before);
}

TEST_F(EngineTest, UpdateDiscardRestoresTheArchivedRevision) {
  Archived("D.FRM", "stored\n");
  Run("EW " + Windows("D.FRM"));
  Write("D.FRM", "edits to throw away\n");
  EXPECT_EQ(Run("UDW " + Windows("D.FRM")),
            "1 of 1 files updated\r\n" + Windows("D.FRM") +
                ": lock released; work file restored to revision 1.1 read-only\r\n");
  EXPECT_EQ(Contents(Path("D.FRM")), "stored\n");
  EXPECT_TRUE(ReadOnly(Path("D.FRM")));
  EXPECT_EQ(Run("T " + Windows("D.FRM")), Windows("D.FRM") + " is not checked out\r\n");
  EXPECT_EQ(Revisions(engine(), Windows("D.FRM")), std::vector<std::string>{"1.1"});

  // Without our lock there is nothing to discard, and a writable file stays as it is.
  Write("D.FRM", "not given out\n");
  EXPECT_EQ(StatusLines(Run("UDW " + Windows("D.FRM")))[1],
            Windows("D.FRM") + ": not checked out to you; nothing to discard");
  EXPECT_EQ(Contents(Path("D.FRM")), "not given out\n");
}

TEST_F(EngineTest, UpdateFreshenSkipsUnchangedFilesAndKeepsTheirLock) {
  Archived("SAME.FRM", "same\n");
  Archived("EDIT.FRM", "old\n");
  Run("EW " + Windows("SAME.FRM") + "," + Windows("EDIT.FRM"));
  Write("EDIT.FRM", "new\n");
  EXPECT_EQ(Run("UFW " + Windows("SAME.FRM") + "," + Windows("EDIT.FRM")),
            "1 of 2 files updated\r\n" + Windows("SAME.FRM") +
                ": not changed since revision 1.1; skipped\r\n" + Windows("EDIT.FRM") +
                ": checked in as revision 2.1; work file read-only\r\n");
  EXPECT_TRUE(Run("T " + Windows("SAME.FRM")).starts_with(Windows("SAME.FRM") + " is checked out to you"));
  EXPECT_FALSE(ReadOnly(Path("SAME.FRM")));

  // Keywords RCS expanded with the lock's holder still count as unchanged.
  Archived("KEYS.BAS", "' $Id$\n' $Log$\n");
  Run("EW " + Windows("KEYS.BAS"));
  EXPECT_EQ(StatusLines(Run("UFW " + Windows("KEYS.BAS")))[1],
            Windows("KEYS.BAS") + ": not changed since revision 1.1; skipped");
}

}  // namespace
}  // namespace testing_support
