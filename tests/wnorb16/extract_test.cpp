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
  EXPECT_FALSE(ReadOnly(Path("A.FRM")));
  EXPECT_FALSE(ReadOnly(Path("my form, v2.frm")));
  EXPECT_EQ(Contents(Path("my form, v2.frm")), "b\n");
  EXPECT_TRUE(Run("T " + b).starts_with(b + " is checked out to you\r\n"));
  EXPECT_TRUE(ReadOnly(Path("BOBS.FRM")));
  EXPECT_TRUE(Run("T " + bobs).starts_with(bobs + " is checked out to someone else\r\n"));
}

TEST_F(EngineTest, ExtractNeverOverwritesAWritableWorkFile) {
  Archived("MINE.FRM", "stored\n");
  Write("MINE.FRM", "edited without a lock\n", 0644);
  for (const char* options : {"EW", "EBW", "EFW"}) {
    EXPECT_EQ(Run(std::string(options) + " " + Windows("MINE.FRM")),
              "0 of 1 files extracted\r\n" + Windows("MINE.FRM") +
                  ": writable work file was not given out by the engine; left untouched\r\n")
        << options;
  }
  EXPECT_EQ(Contents(Path("MINE.FRM")), "edited without a lock\n");
  EXPECT_FALSE(ReadOnly(Path("MINE.FRM")));
  EXPECT_EQ(Run("T " + Windows("MINE.FRM")), Windows("MINE.FRM") + " is not checked out\r\n");

  // Given out with our lock and edited since: extracting again keeps the edits, also when the
  // write bit went after the editing.
  Archived("OUT.FRM", "stored\n");
  Run("EW " + Windows("OUT.FRM"));
  Write("OUT.FRM", "work in progress\n", 0644);
  EXPECT_EQ(StatusLines(Run("EW " + Windows("OUT.FRM")))[1],
            Windows("OUT.FRM") + ": revision 1.1 is already checked out to you");
  EXPECT_EQ(StatusLines(Run("EBW " + Windows("OUT.FRM")))[1],
            Windows("OUT.FRM") + ": checked out to you and writable; work file kept");
  std::filesystem::permissions(Path("OUT.FRM"), std::filesystem::perms::owner_read);
  for (const char* options : {"EW", "EBW", "EFW"}) {
    EXPECT_EQ(StatusLines(Run(std::string(options) + " " + Windows("OUT.FRM")))[1],
              Windows("OUT.FRM") +
                  ": revision 1.1 is checked out to you and the work file was changed; work file kept")
        << options;
  }
  EXPECT_EQ(Contents(Path("OUT.FRM")), "work in progress\n");
  // Unchanged under our lock, read-only: given out again, writable.
  Run("UDW " + Windows("OUT.FRM"));
  Run("EW " + Windows("OUT.FRM"));
  std::filesystem::permissions(Path("OUT.FRM"), std::filesystem::perms::owner_read);
  EXPECT_EQ(StatusLines(Run("EW " + Windows("OUT.FRM")))[1],
            Windows("OUT.FRM") + ": revision 1.1 extracted and locked");
  EXPECT_FALSE(ReadOnly(Path("OUT.FRM")));
}

TEST_F(EngineTest, ExtractBrowseFreshenAndReserve) {
  Archived("B.FRM", "one\n");
  LockAs(kUser, "B.FRM");
  Write("B.FRM", "two\n");
  Rcs("ci", {"-u", "-mtwo", Archive("B.FRM"), Path("B.FRM")});
  LockAs("bob", "B.FRM");
  Write("B.FRM", "old copy\n", 0444);

  // B: a read-only copy, also of a file someone else has out, and no lock taken.
  EXPECT_EQ(StatusLines(Run("EBW " + Windows("B.FRM")))[1],
            Windows("B.FRM") + ": revision 1.2 extracted read-only");
  EXPECT_EQ(Contents(Path("B.FRM")), "two\n");
  EXPECT_TRUE(ReadOnly(Path("B.FRM")));
  EXPECT_TRUE(Run("T " + Windows("B.FRM")).starts_with(Windows("B.FRM") + " is checked out to someone else"));

  // F: only work files older than the latest revision.
  Archived("F.FRM", "stored\n");
  Write("F.FRM", "newer, read-only\n", 0444);
  std::string f_status = Run("EBFW " + Windows("F.FRM"));
  EXPECT_EQ(StatusLines(f_status)[1], Windows("F.FRM") + ": work file is up to date; not extracted");
  std::filesystem::last_write_time(Path("F.FRM"),
                                   std::filesystem::file_time_type::clock::now() - std::chrono::hours(48));
  EXPECT_EQ(StatusLines(Run("EBFW " + Windows("F.FRM")))[0], "1 of 1 files extracted");
  EXPECT_EQ(Contents(Path("F.FRM")), "stored\n");

  // R: the lock only; even a writable work file stays as it is.
  Archived("R.FRM", "stored\n");
  Write("R.FRM", "local edit\n", 0644);
  EXPECT_EQ(StatusLines(Run("ERW " + Windows("R.FRM")))[1],
            Windows("R.FRM") + ": revision 1.1 locked; work file not touched");
  EXPECT_EQ(Contents(Path("R.FRM")), "local edit\n");
  EXPECT_TRUE(Run("T " + Windows("R.FRM")).starts_with(Windows("R.FRM") + " is checked out to you"));
}

TEST_F(EngineTest, ExtractSpecifiedRevisionTakesTheVersionSetBeforehand) {
  Archived("S.FRM", "first\n");
  LockAs(kUser, "S.FRM");
  Write("S.FRM", "second\n");
  Rcs("ci", {"-u", "-m2", Archive("S.FRM"), Path("S.FRM")});
  Archived("T.FRM", "t\n");

  const std::string command = "ESW " + Windows("S.FRM") + "," + Windows("T.FRM");
  EXPECT_EQ(Run(command),
            "ERROR: option S takes the revision set beforehand with \"VERSION <revision>\"; ann has "
            "set none\r\n");
  EXPECT_EQ(Contents(Path("S.FRM")), "second\n");
  EXPECT_EQ(Run("T " + Windows("S.FRM")), Windows("S.FRM") + " is not checked out\r\n");

  EXPECT_TRUE(Run("VERSION 1.1.").starts_with("ERROR: "));
  EXPECT_EQ(Run("VERSION 1.1"), "Version of ann's next command with S: 1.1\r\n");
  EXPECT_EQ(Run(command), "2 of 2 files extracted\r\n" + Windows("S.FRM") +
                              ": revision 1.1 extracted and locked\r\n" + Windows("T.FRM") +
                              ": revision 1.1 extracted and locked\r\n");
  EXPECT_EQ(Contents(Path("S.FRM")), "first\n");
  // Used once: the next S has none again.
  EXPECT_TRUE(Run("EBSW " + Windows("S.FRM")).starts_with("ERROR: option S"));
}

}  // namespace
}  // namespace testing_support
