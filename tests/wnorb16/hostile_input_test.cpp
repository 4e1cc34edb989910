// Odd and hostile input: special files where archives and work files belong, NUL bytes, overlong
// commands, revision numbers beyond range, and commands and archives far larger than usual.
#include <sys/stat.h>

#include <filesystem>

#include "dde/dbus_transport.hpp"
#include "dde/private_bus.hpp"
#include "engine_fixture.hpp"
#include "tests/dde/child_process.hpp"
#include "tests/support/long_trunk.hpp"

namespace testing_support {
namespace {

using testing_support::ChildProcess;
using namespace std::chrono_literals;

// The program, so that a command that hangs or grows without end is ended by the deadline and
// fails the test instead of stopping it.
TEST_F(EngineTest, SpecialFilesAreNeitherReadNorGivenToRcs) {
  tmp_.Write("WNORB.INI", "[Engine]\r\nUserID=ann\r\n");
  const std::string not_read =
      ", not a regular file; the engine reads only regular files. Nothing was done\n";
  struct Case {
    bool archive;  // the archive is special, else the work file
    bool fifo;     // a FIFO, else a link to /dev/zero
    std::string command;
    std::string answer;
    int exit_code;
  };
  const Case cases[] = {
      {true, true, "T", "ERROR: X.FRM: the archive is a FIFO" + not_read, 1},
      {true, true, "L", "ERROR: X.FRM: the archive is a FIFO" + not_read, 1},
      {true, true, "-C", "ERROR: X.FRM: the archive is a FIFO" + not_read, 1},
      {true, true, "EW",
       "0 of 1 files extracted\nX.FRM: the archive is a FIFO, not a regular file; left alone\n", 0},
      {true, true, "UW",
       "0 of 1 files updated\nX.FRM: the archive is a FIFO, not a regular file; left alone\n", 0},
      {true, false, "T", "ERROR: X.FRM: the archive is a character device" + not_read, 1},
      {true, false, "L", "ERROR: X.FRM: the archive is a character device" + not_read, 1},
      {true, false, "EBW",
       "0 of 1 files extracted\nX.FRM: the archive is a character device, not a regular file; left alone\n",
       0},
      {false, true, "UW",
       "0 of 1 files updated\nX.FRM: the work file is a FIFO, not a regular file; left alone\n", 0},
      {false, true, "-C", "ERROR: X.FRM: the work file is a FIFO" + not_read, 1},
      {false, false, "UKW",
       "0 of 1 files updated\nX.FRM: the work file is a character device, not a regular file; left alone\n",
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command + (c.archive ? " on a special archive" : " on a special work file"));
    std::filesystem::remove(Archive("X.FRM"));
    std::filesystem::remove(Path("X.FRM"));
    Archived("X.FRM", "one\n");
    LockAs(kUser, "X.FRM");
    const std::string special = c.archive ? Archive("X.FRM") : Path("X.FRM");
    const std::string before = c.archive ? Contents(Path("X.FRM")) : Contents(Archive("X.FRM"));
    std::filesystem::remove(special);
    if (c.fifo) {
      ASSERT_EQ(::mkfifo(special.c_str(), 0644), 0);
    } else {
      std::filesystem::create_symlink("/dev/zero", special);
    }
    ChildProcess engine(
        {WNORB16_EXE, "--ini", tmp_ / "WNORB.INI", "-c", "CD " + Windows(""), "-c", c.command + " X.FRM"});
    ChildProcess::Result result = engine.Finish(20s);
    EXPECT_EQ(result.output, "OK\n" + c.answer);
    EXPECT_EQ(result.exit_code, c.exit_code);
    // The other file is as it was: nothing was given to RCS.
    EXPECT_EQ(c.archive ? Contents(Path("X.FRM")) : Contents(Archive("X.FRM")), before);
  }
}

// Refused before anything is looked up: a NUL would cut the name where the system reads it and
// check in another file; overlong commands and names; a version beyond range.
TEST_F(EngineTest, CommandsTheReaderRefuses) {
  Write("frm", "not a form\n");
  Run("CD " + Windows(""));
  const std::string with_nul = std::string("UW frm") + '\0' + "Timesheet.frm";
  const struct {
    std::string command;
    std::string answer;
  } cases[] = {
      {with_nul,
       "ERROR: the command holds a NUL byte (byte 7), which no name can hold. Nothing was done\r\n"},
      {"T " + std::string(5000, 'a'),
       "ERROR: a name of 5,000 bytes is longer than the 4,096 the engine takes. Nothing was done\r\n"},
      {"EW a," + std::string(2 * 1024 * 1024, 'a'),
       "ERROR: the command is 2,097,157 bytes long; the engine takes at most 2,097,152. Nothing was "
       "done\r\n"},
      {"VERSION 2.9223372036854775808",
       "ERROR: \"2.9223372036854775808\" is not a revision number such as 1.3 or 2 (each field at most "
       "2147483647)\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(Run(c.command), c.answer);
  EXPECT_FALSE(std::filesystem::exists(Archive("frm")));
  EXPECT_FALSE(std::filesystem::exists(Path("frm,v")));
  EXPECT_FALSE(ReadOnly(Path("frm")));
}

// Over the link, as a client of the bus would send it: answered at once, the engine free for
// the next command, and neither the log nor the other clients burdened with 10 MB.
TEST_F(EngineTest, ATenMegabyteCommandIsRefusedAtOnce) {
  tmp_.Write("WNORB.INI", "[Engine]\r\nUserID=ann\r\n");
  dde::PrivateBus bus;
  ChildProcess engine({WNORB16_EXE, "-L", "--bus", bus.Address(), "--ini", tmp_ / "WNORB.INI"});
  dde::DbusTransport transport(bus.Address());
  transport.ServerLaunched();
  AddinLinks links(transport);
  const std::string huge = "T C:\\" + std::string(10 * 1024 * 1024, 'a');
  links.text1.LinkExecute(huge);
  EXPECT_EQ(links.text2.Text(),
            "ERROR: the command is 10,485,765 bytes long; the engine takes at most 2,097,152. Nothing was "
            "done\r\n");
  links.text1.LinkExecute("G2LOCKING");
  EXPECT_EQ(links.text2.Text(), "Y");
  engine.Kill();
  const std::string log = Contents(tmp_ / "WNORB.LOG");
  EXPECT_NE(log.find("> T C:\\" + std::string(195, 'a') + "... (10,485,765 bytes)\nERROR: "),
            std::string::npos);
  EXPECT_LT(log.size(), 4096u);
}

// An archive of one revision, `revision`, locked by ann; `branches` start at it.
std::string ArchiveText(const std::string& revision, const std::string& branches = "") {
  return "head\t" + revision + ";\naccess;\nsymbols;\nlocks\n\tann:" + revision +
         "; strict;\ncomment\t@# @;\n\n\n" + revision +
         "\ndate\t2024.01.01.00.00.00;\tauthor ann;\tstate Exp;\nbranches" + branches +
         ";\nnext\t;\n\n\ndesc\n@@\n\n\n" + revision + "\nlog\n@initial\n@\ntext\n@one\n@\n";
}

// Working out the next revision from these numbers would overflow; the archive is left as it is.
TEST_F(EngineTest, RevisionNumbersBeyondRangeAreRefused) {
  const struct {
    std::string archive;
    std::string command;
    std::string out_of_range;
  } cases[] = {
      {ArchiveText("9223372036854775807.1"), "UKW", "9223372036854775807.1"},
      {ArchiveText("2147483647.1"), "UW", "2147483647.1"},
      {ArchiveText("1.1", "\n\t1.1.9223372036854775807.1"), "UBW", "1.1.9223372036854775807.1"},
      {ArchiveText("1.1", "\n\t1.1.2147483647.1"), "UBW", "1.1.2147483647.1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command + " " + c.out_of_range);
    tmp_.Write("proj/RCS/X.FRM,v", c.archive, 0444);
    Write("X.FRM", "changed\n");
    EXPECT_EQ(Run(c.command + " " + Windows("X.FRM")),
              "0 of 1 files updated\r\n" + Windows("X.FRM") + ": revision number " + c.out_of_range +
                  " of the archive is out of the engine's range (each field at most 2147483647); archive "
                  "left unchanged\r\n");
    EXPECT_EQ(Contents(Archive("X.FRM")), c.archive);
    EXPECT_EQ(Contents(Path("X.FRM")), "changed\n");
  }
}

// More files than one command line of the system holds, none with an archive yet, under a long
// folder: checked in and out whole, in as many RCS runs as the system's limit needs.
TEST_F(EngineTest, SixThousandFilesInOneCommand) {
  const std::string folder = "proj/" + std::string(200, 'f');
  tmp_.MakeDir(folder + "/RCS");
  std::string list;
  for (int i = 0; i < 6000; ++i) {
    const std::string name = "M" + std::to_string(10000 + i) + ".BAS";
    tmp_.Write(folder + "/" + name, name + "\n");
    list += (i > 0 ? "," : "") + name;
  }
  ASSERT_EQ(Run("CD " + tmp_.Windows(folder)), "OK");
  const std::string updated = Run("UW " + list);
  ASSERT_TRUE(updated.starts_with("6000 of 6000 files updated\r\n")) << updated.substr(0, 2000);
  EXPECT_NE(updated.find("\r\nM15999.BAS: archive created with revision 1.1; work file read-only\r\n"),
            std::string::npos);
  const std::string extracted = Run("EW " + list);
  ASSERT_TRUE(extracted.starts_with("6000 of 6000 files extracted\r\n")) << extracted.substr(0, 2000);
  EXPECT_TRUE(extracted.ends_with("\r\nM15999.BAS: revision 1.1 extracted and locked\r\n"));
  EXPECT_FALSE(ReadOnly(tmp_ / (folder + "/M10000.BAS")));
}

// A history of 40,000 revisions, each with its own log, oldest first.
TEST_F(EngineTest, HistoryOfFortyThousandRevisions) {
  constexpr int kRevisions = 40000;
  tmp_.Write("proj/RCS/X.FRM,v", LongTrunkArchive(kRevisions));
  const std::vector<std::string> lines = StatusLines(Run("L " + Windows("X.FRM")));
  ASSERT_EQ(lines.size(), kRevisions + 2u);
  EXPECT_EQ(lines[2], "1.1       2024/01/01 00:00:00  ann         change 1");
  EXPECT_EQ(lines.back(), "1.40000   2024/01/01 11:06:39  ann         change 40000");
}

}  // namespace
}  // namespace testing_support
