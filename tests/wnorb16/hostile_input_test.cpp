// Odd and hostile input: special files where archives and work files belong, malformed and
// overlong commands, revision numbers beyond range, and more files than one command line holds.
#include <sys/stat.h>

#include <array>
#include <filesystem>

#include "engine_fixture.hpp"
#include "tests/dde/child_process.hpp"
#include "wnorb16/engine_server.hpp"

namespace testing_support {
namespace {

using testing_support::ChildProcess;
using namespace std::chrono_literals;
using namespace std::string_literals;

TEST_F(EngineTest, SpecialFilesAreNeitherReadNorGivenToRcs) {
  tmp_.Write("WNORB.INI", "[Engine]\r\nUserID=ann\r\n");
  const struct {
    std::string command, file, kind;  // kind "FIFO", or "character device" for a link to /dev/zero
  } cases[] = {
      {"T", "archive", "FIFO"},
      {"UW", "archive", "FIFO"},
      {"L", "archive", "character device"},
      {"EBW", "archive", "character device"},
      {"-C", "work file", "FIFO"},
      {"UKW", "work file", "character device"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command + ": the " + c.file + " is a " + c.kind);
    std::filesystem::remove(Archive("X.FRM"));
    Archived("X.FRM", "one\n");
    LockAs(kUser, "X.FRM");
    const bool archive = c.file == "archive";
    const std::string special = archive ? Archive("X.FRM") : Path("X.FRM");
    const std::string other = archive ? Path("X.FRM") : Archive("X.FRM"), before = Contents(other);
    std::filesystem::remove(special);
    if (c.kind != "FIFO") std::filesystem::create_symlink("/dev/zero", special);
    ASSERT_TRUE(c.kind != "FIFO" || ::mkfifo(special.c_str(), 0644) == 0);
    const std::string what = "X.FRM: the " + c.file + " is a " + c.kind + ", not a regular file";
    const bool listed = c.command[0] == 'E' || c.command[0] == 'U';
    const std::string answer =
        listed ? std::string("0 of 1 files ") + (c.command[0] == 'E' ? "extracted\n" : "updated\n") + what +
                     "; left alone\n"
               : "ERROR: " + what + "; the engine reads only regular files. Nothing was done\n";
    // The program, so that a command that hangs or grows without end is ended by the deadline. Its
    // commands run in order until the first refusal, which ends the run with status 1.
    ChildProcess::Result result =
        ChildProcess({WNORB16_EXE, "--ini", tmp_ / "WNORB.INI", "-c", "CD " + Windows(""), "-c",
                      c.command + " X.FRM", "-c", "ESW X.FRM", "-c", "G2LOCKING"})
            .Finish(20s);
    const std::string no_version =
        "ERROR: option S takes the revision set beforehand with \"VERSION <revision>\"; ann has set none\n";
    EXPECT_EQ(result.output, "OK\n" + answer + (listed ? no_version : ""));
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(Contents(other), before);  // nothing was given to RCS
  }
}

// An archive of one revision, `revision`, locked by ann; `branches` start at it.
std::string ArchiveText(const std::string& revision, const std::string& branches = "") {
  return "head\t" + revision + ";\naccess;\nsymbols;\nlocks\n\tann:" + revision +
         "; strict;\ncomment\t@# @;\n\n\n" + revision +
         "\ndate\t2024.01.01.00.00.00;\tauthor ann;\tstate Exp;\nbranches" + branches +
         ";\nnext\t;\n\n\ndesc\n@@\n\n\n" + revision + "\nlog\n@initial\n@\ntext\n@one\n@\n";
}

// The last trunk number in range is still given: the check-in of the head 2147483646.1 makes
// 2147483647.1 (the one after it is refused below).
TEST_F(EngineTest, TheLastTrunkNumberInRangeIsGiven) {
  tmp_.Write("proj/RCS/LAST.FRM,v", ArchiveText("2147483646.1"), 0444);
  Write("LAST.FRM", "changed\n");
  const std::string last = Windows("LAST.FRM");
  EXPECT_EQ(StatusLines(Run("UW " + last))[1],
            last + ": checked in as revision 2147483647.1; work file read-only");
  EXPECT_NE(Contents(Archive("LAST.FRM")).find("head\t2147483647.1;"), std::string::npos);
}

// Refused, nothing changed: what the reader cannot take (a NUL would cut the name where the
// system reads it and check in another file), every malformed command (with one ERROR line), and
// revision numbers whose successor would overflow.
TEST_F(EngineTest, RefusalsChangeNothing) {
  Archived("A.FRM", "a\n");
  Write("frm", "not a form\n");
  Run("CD " + Windows(""));
  const std::string a = Windows("A.FRM"), archive = Contents(Archive("A.FRM"));
  const std::string trunk = ArchiveText("9223372036854775807.1"),
                    branch = ArchiveText("1.1", "\n\t1.1.2147483647.1");
  tmp_.Write("proj/RCS/TRUNK.FRM,v", trunk, 0444);
  tmp_.Write("proj/RCS/BRANCH.FRM,v", branch, 0444);
  Archived("TRUNK.FRX", "x\n");
  LockAs(kUser, "TRUNK.FRX");
  const std::string trunk_frx = Contents(Archive("TRUNK.FRX"));
  for (const char* name : {"TRUNK.FRM", "BRANCH.FRM", "TRUNK.FRX"}) Write(name, "changed\n");
  const std::string out_of_range =
      " of the archive is out of the engine's range (each field at most 2147483647)";
  const std::string range = out_of_range + "; archive left unchanged";
  const std::pair<std::string, std::string> answered[] = {
      // The form's companion, taken first, goes back when the form is refused.
      {"UKW TRUNK.FRX,TRUNK.FRM",
       "0 of 2 files updated\r\nTRUNK.FRX: not updated: its companion TRUNK.FRM cannot be (revision number "
       "9223372036854775807.1" +
           out_of_range + ")\r\nTRUNK.FRM: revision number 9223372036854775807.1" + range},
      {"UBW BRANCH.FRM", "0 of 1 files updated\r\nBRANCH.FRM: revision number 1.1.2147483647.1" + range},
      {std::string("UW frm") + '\0' + "Timesheet.frm",
       "ERROR: the command holds a NUL byte (byte 7), which no name can hold. Nothing was done"},
      {"T " + std::string(5000, 'a'),
       "ERROR: a name of 5,000 bytes is longer than the 4,096 the engine takes. Nothing was done"},
      {"EW a," + std::string(2 * 1024 * 1024, 'a'),
       "ERROR: the command is 2,097,157 bytes long; the engine takes at most 2,097,152. Nothing was done"},
      {"VERSION 2.9223372036854775808",
       "ERROR: \"2.9223372036854775808\" is not a revision number such as 1.3 or 2 (each field at most "
       "2147483647)"},
  };
  for (const auto& [command, answer] : answered) EXPECT_EQ(Run(command), answer + "\r\n");
  // From the link a command is UTF-8, executed in the code page; one that cannot be carried is answered.
  EXPECT_EQ(ExecuteUtf8(engine(), "T FORM1.FRM\xFF"),
            "ERROR: the command cannot be carried: it is not UTF-8\r\n");
  EXPECT_EQ(ExecuteUtf8(engine(), "T Тест.bas"),
            "ERROR: the command cannot be carried: code page 1252 cannot spell it\r\n");
  for (const std::string& command : std::vector<std::string>{
           "", "   ", "HELLO", "G2LOCKING now", "EW", "EXW " + a, "EEW " + a, "EW " + a + ",,", "VERSION x",
           "T", "EW " + a + "," + tmp_.Windows("no folder\\X.FRM"), "T Q:\\X.FRM",
           "-C " + a + " " + a + " " + a}) {
    const std::vector<std::string> lines = StatusLines(Run(command));
    EXPECT_TRUE(lines.size() == 1 && lines[0].starts_with("ERROR: ")) << command;
  }
  EXPECT_EQ(Contents(Archive("A.FRM")), archive);
  EXPECT_EQ(Contents(Archive("TRUNK.FRM")), trunk);
  EXPECT_EQ(Contents(Archive("TRUNK.FRX")), trunk_frx);
  EXPECT_EQ(Contents(Archive("BRANCH.FRM")), branch);
  EXPECT_EQ(Contents(Path("TRUNK.FRM")) + Contents(Path("BRANCH.FRM")), "changed\nchanged\n");
  EXPECT_TRUE(ReadOnly(Path("A.FRM")));
  EXPECT_FALSE(std::filesystem::exists(Archive("frm")));
  EXPECT_FALSE(ReadOnly(Path("frm")));
}

// Settings are refused, never quietly changed: a value beyond its limit, an archive folder above
// its drive's folder. Every command on a file answers the refusal, naming the setting and the
// file, and nothing is written.
TEST_F(EngineTest, OddSettingsAreRefusedNamingTheSettingAndTheFile) {
  const std::string ini = tmp_ / "WNORB.INI";
  Archived("A.FRM", "a\n");
  const std::string a = Windows("A.FRM"), archive = Contents(Archive("A.FRM"));
  // A byte-order mark before the section stays where it is.
  EXPECT_EQ(WriteConfig("\xEF\xBB\xBF[Engine]\r\nUserID=bob\r\nLocking=N\r\n",
                        {true, "eve", "RCS", "", "", "", "", "", ""}),
            "\xEF\xBB\xBF[Engine]\r\nUserID=eve\r\nLocking=Y\r\nArchives=RCS\r\n");

  const struct {
    std::string key;
    std::size_t bytes;
    std::string said, most;
  } too_long[] = {{"UserID", 1024 * 1024, "1,048,576", "256"},
                  {"Locking", 17, "17", "16"},
                  {"Store", 17, "17", "16"},
                  {"Archives", 4097, "4,097", "4,096"},
                  {"Projects", 4097, "4,097", "4,096"},
                  {"ConfigDir", 4097, "4,097", "4,096"},
                  {"RcsPrograms", 4097, "4,097", "4,096"}};
  for (const auto& c : too_long) {
    tmp_.Write("WNORB.INI", "[Engine]\r\n" + c.key + "=" + std::string(c.bytes, 'y') + "\r\n");
    const std::string refusal = "ERROR: " + c.key + "= is " + c.said +
                                " bytes long; the engine takes at most " + c.most + " (" + ini +
                                "); set another and send CONFIG\r\n";
    for (const std::string& command :
         {"EW " + a, "T " + a, "L " + a, "-C " + a + " " + a, "COMMENT x"s, "CONFIG"s})
      EXPECT_EQ(Run(command), refusal) << c.key << " " << command;
    EXPECT_EQ(Run("CD " + Windows("")), "OK") << c.key;
  }
  EXPECT_EQ(Contents(Archive("A.FRM")), archive);
  EXPECT_TRUE(ReadOnly(Path("A.FRM")));
  // At its limit a value is taken: this Store= is refused for what it names, not for its length.
  tmp_.Write("WNORB.INI", "[Engine]\r\nStore=" + std::string(16, 'y') + "\r\n");
  const std::string store_refusal = Run("CONFIG");
  EXPECT_TRUE(store_refusal.starts_with("ERROR: Store=\"" + std::string(16, 'y') + "\" names no store"))
      << store_refusal;

  // A repository wait the add-in would not outlast, or none at all, is no bound; nor is a lock's
  // age out of a day, with either store.
  const std::array<std::array<std::string, 3>, 6> seconds{{{"RepositoryTimeout", "0", "15"},
                                                           {"RepositoryTimeout", "16", "15"},
                                                           {"RepositoryTimeout", "5s", "15"},
                                                           {"StaleLock", "ten minutes", "86400"},
                                                           {"Store=svn\r\nStaleLock", "0", "86400"},
                                                           {"Store=svn\r\nStaleLock", "86401", "86400"}}};
  for (const auto& [key, value, most] : seconds) {
    tmp_.Write("WNORB.INI", "[Engine]\r\n" + key + "=" + value + "\r\n");
    EXPECT_EQ(Run("T " + a), "ERROR: " + key.substr(key.find_last_of('\n') + 1) + "=\"" + value +
                                 "\" is not a number of seconds from 1 to " + most + " (" + ini +
                                 "); set another and send CONFIG\r\n");
  }

  // Drive C: is a folder of its own here: ".." above it would stop at it and put the archives
  // where nobody named.
  const std::string drive = tmp_.MakeDir("drive");
  tmp_.MakeDir("drive/etc");
  tmp_.Write("drive/proj/B.FRM", "b\n");
  tmp_.Write("drive/x/y/z/C.FRM", "c\n");
  EngineSetup setup = DefaultSetup();
  setup.resolver = posix::PathResolver(posix::DriveMap::Parse("C:=" + drive));
  Engine on_drive(setup);
  tmp_.Write("WNORB.INI", "[Engine]\r\nArchives=C:\\proj\\..\\..\\etc\r\n");
  EXPECT_EQ(on_drive.Execute("UW C:\\proj\\B.FRM"),
            "ERROR: Archives=\"C:\\proj\\..\\..\\etc\" climbs above the folder of its drive (" + ini +
                "); set another and send CONFIG\r\n");
  tmp_.Write("WNORB.INI", "[Engine]\r\nArchives=..\\..\\etc\r\n");
  EXPECT_EQ(on_drive.Execute("UW C:\\proj\\B.FRM"),
            "ERROR: C:\\proj\\B.FRM: Archives=\"..\\..\\etc\" climbs 2 folders up from the file's folder, "
            "which is 1 "
            "below the folder of its drive (" +
                ini + "); set another and send CONFIG\r\n");
  EXPECT_TRUE(std::filesystem::is_empty(drive + "/etc"));
  // A file deep enough stays on the drive: its archive keeps the folders climbed over.
  EXPECT_EQ(StatusLines(on_drive.Execute("UW C:\\x\\y\\z\\C.FRM")).front(), "1 of 1 files updated");
  EXPECT_TRUE(std::filesystem::exists(drive + "/x/etc/y/z/C.FRM,v"));
  EXPECT_FALSE(std::filesystem::exists(drive + "/proj/B.FRM,v"));
}

// More files than one command line of the system holds (2 MiB here), none with an archive yet,
// under a long folder: checked in and out whole, in as many RCS runs as the system's limit needs.
TEST_F(EngineTest, MoreFilesThanOneCommandLineHolds) {
  const std::string level(240, 'f');
  const std::string folder = "proj/" + level + "/" + level + "/" + level + "/" + level;
  tmp_.MakeDir(folder + "/RCS");
  std::string list;
  for (int i = 0; i < 1200; ++i) {
    const std::string name = "M" + std::to_string(10000 + i) + ".BAS";
    tmp_.Write(folder + "/" + name, name + "\n");
    list += (i > 0 ? "," : "") + name;
  }
  ASSERT_EQ(Run("CD " + tmp_.Windows(folder)), "OK");
  for (const auto& [command, done, last] :
       {std::tuple{"UW ", "updated", "archive created with revision 1.1; work file read-only"},
        {"EW ", "extracted", "revision 1.1 extracted and locked"}}) {
    const std::string answer = Run(command + list);
    EXPECT_TRUE(answer.starts_with("1200 of 1200 files "s + done + "\r\n")) << answer.substr(0, 2000);
    EXPECT_TRUE(answer.ends_with("\r\nM11199.BAS: "s + last + "\r\n"));
    EXPECT_EQ(ReadOnly(tmp_ / (folder + "/M10000.BAS")), command == "UW "s) << command;
  }
}

}  // namespace
}  // namespace testing_support
