#include <filesystem>

#include "engine_fixture.hpp"

namespace testing_support {
namespace {

TEST_F(EngineTest, ExtractLocksEachFileAndOneFailureDoesNotStopTheOthers) {
  Archived("A.FRM", "a\n");
  Archived("my form, v2.frm", "b\n");
  Archived("BOBS.FRM", "c\n");
  LockAs("bob", "BOBS.FRM");
  Rcs("co", {"-f", Archive("BOBS.FRM"), Path("BOBS.FRM")}, "bob");  // bob's copy read-only again
  Write("NONE.FRM", "d\n", 0444);
  const std::string a = Short("A.FRM"), b = Short("my form, v2.frm");
  const std::string bobs = Windows("BOBS.FRM"), none = Windows("NONE.FRM");

  EXPECT_EQ(Run("EW " + a + "," + b + "," + bobs + "," + none),
            "2 of 4 files extracted\r\n" + a + ": revision 1.1 extracted and locked\r\n" + b +
                ": revision 1.1 extracted and locked\r\n" + bobs + ": checked out to bob; left alone\r\n" +
                none + ": no archive; nothing done\r\n");
  EXPECT_FALSE(ReadOnly(Path("my form, v2.frm")));
  EXPECT_EQ(Contents(Path("my form, v2.frm")), "b\n");
  EXPECT_TRUE(ReadOnly(Path("BOBS.FRM")));
  EXPECT_TRUE(Run("T " + bobs).starts_with(bobs + " is checked out to someone else\r\n"));
  // A read-only copy of a file someone else has out is everyone's to take.
  EXPECT_EQ(StatusLines(Run("EBW " + bobs))[1], bobs + ": revision 1.1 extracted read-only");
}

TEST_F(EngineTest, ExtractNeverOverwritesAWritableWorkFile) {
  Archived("MINE.FRM", "stored\n");
  Write("MINE.FRM", "edited without a lock\n", 0644);
  Archived("OUT.FRM", "stored\n");
  Run("EW " + Windows("OUT.FRM"));
  Write("OUT.FRM", "work in progress\n", 0644);
  const std::string mine = Windows("MINE.FRM"), out = Windows("OUT.FRM");
  const struct {
    std::string command, line;
  } cases[] = {
      {"EW " + mine, mine + ": writable work file was not given out by the engine; left untouched"},
      {"EBW " + mine, mine + ": writable work file was not given out by the engine; left untouched"},
      {"EFW " + mine, mine + ": writable work file was not given out by the engine; left untouched"},
      // Given out with our lock and edited since: extracting again keeps the edits.
      {"EW " + out, out + ": revision 1.1 is already checked out to you"},
      {"EBW " + out, out + ": checked out to you and writable; work file kept"},
  };
  for (const auto& c : cases) EXPECT_EQ(StatusLines(Run(c.command))[1], c.line);
  // Also when the write bit went after the editing.
  std::filesystem::permissions(Path("OUT.FRM"), std::filesystem::perms::owner_read);
  for (const char* options : {"EW", "EBW", "EFW"}) {
    EXPECT_EQ(StatusLines(Run(std::string(options) + " " + out))[1],
              out + ": revision 1.1 is checked out to you and the work file was changed; work file kept")
        << options;
  }
  EXPECT_EQ(Contents(Path("MINE.FRM")), "edited without a lock\n");
  EXPECT_EQ(Run("T " + mine), mine + " is not checked out\r\n");
  EXPECT_EQ(Contents(Path("OUT.FRM")), "work in progress\n");
  // Unchanged under our lock, read-only: given out again, writable.
  Run("UDW " + out);
  Run("EW " + out);
  std::filesystem::permissions(Path("OUT.FRM"), std::filesystem::perms::owner_read);
  EXPECT_EQ(StatusLines(Run("EW " + out))[1], out + ": revision 1.1 extracted and locked");
  EXPECT_FALSE(ReadOnly(Path("OUT.FRM")));
}

TEST_F(EngineTest, ExtractSpecifiedRevisionTakesTheVersionSetBeforehand) {
  Archived("S.FRM", "first\n");
  const std::string command = "ESW " + Windows("S.FRM");
  EXPECT_EQ(Run(command),
            "ERROR: option S takes the revision set beforehand with \"VERSION <revision>\"; ann has "
            "set none\r\n");
  EXPECT_EQ(Run("T " + Windows("S.FRM")), Windows("S.FRM") + " is not checked out\r\n");
  EXPECT_TRUE(Run("VERSION 1.1.").starts_with("ERROR: "));
  EXPECT_EQ(Run("VERSION 1.1"), "Version of ann's next command with S: 1.1\r\n");
  EXPECT_EQ(StatusLines(Run(command))[0], "1 of 1 files extracted");
  // Used once: the next S has none again.
  EXPECT_TRUE(Run("EBSW " + Windows("S.FRM")).starts_with("ERROR: option S"));
}

// F extracts only over a work file older than the latest revision; one of the same second is not.
TEST_F(EngineTest, FreshenTakesAWorkFileAsOldAsTheRevisionForUpToDate) {
  Write("F.FRM", "f\n");
  Rcs("ci", {"-u", "-i", "-t-x", "-d2020/01/01 00:00:00", "-mf", Archive("F.FRM"), Path("F.FRM")});
  using namespace std::chrono;
  const sys_seconds stored = sys_days{year{2020} / 1 / 1};
  std::filesystem::last_write_time(Path("F.FRM"), file_clock::from_sys(stored));
  EXPECT_EQ(StatusLines(Run("EFW " + Windows("F.FRM")))[1],
            Windows("F.FRM") + ": work file is up to date; not extracted");
  std::filesystem::last_write_time(Path("F.FRM"), file_clock::from_sys(stored - 1s));
  EXPECT_EQ(StatusLines(Run("EFW " + Windows("F.FRM")))[1],
            Windows("F.FRM") + ": revision 1.1 extracted and locked");
}

}  // namespace
}  // namespace testing_support
