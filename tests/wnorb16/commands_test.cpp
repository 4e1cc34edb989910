#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <ctime>
#include <filesystem>
#include <regex>
#include <thread>

#include "engine_fixture.hpp"

namespace testing_support {
namespace {

using namespace std::string_literals;

TEST_F(EngineTest, LockModeAndConfigurationComeFromTheIniFile) {
  EXPECT_EQ(Run("G2LOCKING"), "Y");
  // A byte-order mark before [Engine] is no part of the section.
  tmp_.Write("WNORB.INI", "\xEF\xBB\xBF[Engine]\r\n; engine settings\r\nLocking=N\r\nUserID=bob\r\n");
  EXPECT_EQ(Run("G2LOCKING"), "N");  // a changed file is read again before the next command
  EXPECT_EQ(Run("CONFIG"), "Configuration read from " + tmp_ / "WNORB.INI" +
                               ": Locking=N, UserID=bob, Archives=RCS folder or beside each file\r\n");

  // The user ID owns the locks the engine takes.
  Archived("A.FRM", "a\n");
  Run("EW " + Windows("A.FRM"));
  EXPECT_EQ(Run("T " + Windows("A.FRM")), Locked(Windows("A.FRM"), "you", "bob", "1.1"));

  // A user ID RCS cannot record is refused when read, before any RCS run.
  tmp_.Write("WNORB.INI", "[Engine]\r\nUserID=ann smith\r\n");
  const std::string refusal =
      "ERROR: UserID \"ann smith\" holds a blank, which RCS cannot record as a lock holder (" +
      tmp_ / "WNORB.INI" + "); set another and send CONFIG\r\n";
  Archived("B.FRM", "b\n");
  const std::string archive = Contents(Archive("B.FRM"));
  for (const std::string& command :
       {"EW " + Windows("B.FRM") + "," + Windows("A.FRM"), "T " + Windows("B.FRM"), "CONFIG"s})
    EXPECT_EQ(Run(command), refusal) << command;
  EXPECT_EQ(Contents(Archive("B.FRM")), archive);
  EXPECT_EQ(Run("G2LOCKING"), "Y");
}

TEST_F(EngineTest, HistoryListsEveryRevisionOldestFirst) {
  Write("H.BAS", "1\n");
  Rcs("ci", {"-u", "-i", "-t-x", "-d2001/02/03 04:05:06", "-mfirst line\nsecond line", Archive("H.BAS"),
             Path("H.BAS")});
  // Authors of exactly the column's width and longer still stand apart from the comment.
  Rcs("co", {"-l", Archive("H.BAS"), Path("H.BAS")}, "twelve_chars");
  Write("H.BAS", "2\n");
  Rcs("ci", {"-u", "-d2003/01/01 00:00:00", "-mon the trunk", Archive("H.BAS"), Path("H.BAS")},
      "twelve_chars");
  Rcs("co", {"-l1.1", Archive("H.BAS"), Path("H.BAS")}, "a_long_author_name");
  Write("H.BAS", "b\n");
  Rcs("ci", {"-u", "-r1.1.1", "-d2002/06/30 23:59:59", "-mon a branch", Archive("H.BAS"), Path("H.BAS")},
      "a_long_author_name");

  EXPECT_EQ(Run("L " + Short("H.BAS")),
            "History of " + Short("H.BAS") +
                "\r\n"
                "Revision  Date                 Author      Comment\r\n"
                "1.1       2001/02/03 04:05:06  ann         first line\r\n"
                "1.1.1.1   2002/06/30 23:59:59  a_long_author_name on a branch\r\n"
                "1.2       2003/01/01 00:00:00  twelve_chars on the trunk\r\n");
}

TEST_F(EngineTest, CompareShowsTheWorkFileAgainstTheLatestRevision) {
  // The answer without the dates diff gives each side.
  auto compare = [&](const std::string& name) {
    return std::regex_replace(Run("-C " + name + " " + name), std::regex("\t[^\r]*?(?= and | differ\r|\r)"),
                              "");
  };
  Archived("C.FRM", "one\ntwo\n");
  const std::string c = Short("C.FRM");
  EXPECT_EQ(compare(c), "No differences\r\n");
  Run("EW " + c);
  Write("C.FRM", "one\n2\n");
  EXPECT_EQ(compare(c), "--- " + c + "\r\n+++ " + c + "\r\n@@ -1,2 +1,2 @@\r\n one\r\n-two\r\n+2\r\n");
  // Binary files: diff's one line, naming the file as received.
  Archived("PIC.FRX", std::string("GIF\0one", 7));
  Write("PIC.FRX", std::string("GIF\0two", 7));
  const std::string pic = Short("PIC.FRX");
  EXPECT_EQ(compare(pic), "Binary files " + pic + " and " + pic + " differ\r\n");
  // rcsdiff giving up is an error, not a difference.
  tmp_.Write("proj/RCS/BAD.FRM,v", "not an archive\n");
  Write("BAD.FRM", "b\n");
  const std::string bad = compare(Windows("BAD.FRM"));
  EXPECT_TRUE(bad.starts_with("ERROR: cannot compare " + Windows("BAD.FRM") + ": ") &&
              StatusLines(bad).size() == 1);
}

TEST_F(EngineTest, WaitsWhileAnotherRcsRunHoldsTheArchive) {
  Archived("W.FRM", "w\n");
  const std::string w = Windows("W.FRM"), archive = Contents(Archive("W.FRM"));
  // Another RCS run holds the archive through RCS's lock file and, unless `ends` is false, ends
  // after 100 ms, leaving the archive `after` ("" for as it was).
  auto meanwhile = [&](const std::string& command, bool ends, const std::string& after = "") {
    tmp_.Write("proj/RCS/,W.FRM,", "");
    std::thread other_run([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (!after.empty()) tmp_.Write("proj/RCS/W.FRM,v", after, 0444);
      if (ends) std::filesystem::remove(tmp_ / "proj/RCS/,W.FRM,");
    });
    std::string status = Run(command);
    other_run.join();
    return status;
  };
  EXPECT_EQ(StatusLines(meanwhile("EW " + w, true))[1], w + ": revision 1.1 extracted and locked");
  // One that does not finish: after the wait the file is reported busy, the archive left to its owner.
  const auto start = std::chrono::steady_clock::now();
  const std::string locked = Contents(Archive("W.FRM"));
  EXPECT_EQ(meanwhile("UW " + w, false),
            "0 of 1 files updated\r\n" + w + ": in use by another RCS command; left alone\r\n");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
  EXPECT_EQ(Contents(Archive("W.FRM")), locked);
  // The other run took the lock for bob while we waited: his, in the engine's words.
  std::string bobs = locked;
  bobs.replace(bobs.find("ann:1.1;"), 8, "bob:1.1;");
  EXPECT_EQ(meanwhile("UW " + w, true, bobs),
            "0 of 1 files updated\r\n" + w + ": checked out to bob; left alone\r\n");
}

// A lock an RCS run left on an archive is cleared, and said so, only when it is known to be left
// over: the engine's lock beside it names a process on this host that has ended, or it is older
// than StaleLock=. Any other is waited for and the file reported busy, as a live run's is.
TEST_F(EngineTest, ALockARunThatEndedLeftIsClearedAndSaid) {
  Archived("W.FRM", "w\n");
  const std::string w = Windows("W.FRM");
  const std::string rcs_lock = tmp_ / "proj/RCS/,W.FRM,", run_lock = rcs_lock + "WNORB16";
  char host_name[256] = {};
  ASSERT_EQ(::gethostname(host_name, sizeof host_name - 1), 0);
  const std::string host = host_name;
  const pid_t ended = ::fork();
  if (ended == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
  const std::string busy = w + ": in use by another RCS command; left alone";
  const std::string done = w + ": revision 1.1 extracted and locked";
  struct Case {
    std::string run_owner;  // the engine lock's text; "" for none
    int age;                // seconds since both were written
    std::string settings;   // WNORB.INI's [Engine] lines
    std::string line;       // the file's line
  };
  const std::string gone = host + " " + std::to_string(ended) + "\n";
  const std::string live = host + " " + std::to_string(::getpid()) + "\n";
  for (const Case& c : std::vector<Case>{
           {gone, 0, "",
            done + " (the lock of engine process " + std::to_string(ended) + " on " + host +
                ", which has ended, was cleared)"},
           {live, 0, "", busy},
           {"elsewhere 1\n", 0, "", busy},
           {"elsewhere 1\n", 700, "",
            done + " (a lock of engine process 1 on elsewhere older than StaleLock (600 s) was cleared)"},
           // A number no process has is no owner's: the lock is an unknown engine's.
           {"elsewhere 1234567890\n", 700, "",
            done + " (a lock of an engine older than StaleLock (600 s) was cleared)"},
           {"elsewhere 1\n", 60, "StaleLock=30\r\n",
            done + " (a lock of engine process 1 on elsewhere older than StaleLock (30 s) was cleared)"},
           {live, 60, "", busy},
           {"", 300, "", busy},
           {"", 700, "", done + " (an RCS lock file older than StaleLock (600 s) was cleared)"},
       }) {
    SCOPED_TRACE(c.run_owner + std::to_string(c.age));
    tmp_.Write("WNORB.INI", "[Engine]\r\n" + c.settings);
    engine_.reset();
    tmp_.Write("proj/RCS/,W.FRM,", "");
    if (!c.run_owner.empty()) tmp_.Write("proj/RCS/,W.FRM,WNORB16", c.run_owner);
    const std::time_t then = std::time(nullptr) - c.age;
    const struct utimbuf times = {then, then};
    for (const std::string& lock : {rcs_lock, run_lock}) ::utime(lock.c_str(), &times);
    EXPECT_EQ(StatusLines(Run("EW " + w))[1], c.line);
    // Nothing of the engine's own is left; what it did not clear stays its owner's.
    EXPECT_EQ(std::filesystem::exists(rcs_lock), c.line == busy);
    EXPECT_EQ(std::filesystem::exists(run_lock), c.line == busy && !c.run_owner.empty());
    std::filesystem::remove(rcs_lock);
    std::filesystem::remove(run_lock);
    if (c.line != busy) Run("UDW " + w);
  }
}

}  // namespace
}  // namespace testing_support
