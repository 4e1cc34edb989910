#include <filesystem>

#include "engine_fixture.hpp"

namespace testing_support {
namespace {

TEST_F(EngineTest, ExtractNeverOverwritesAWritableWorkFile) {
  Archived("MINE.FRM", "stored\n");
  Write("MINE.FRM", "edited without a lock\n", 0644);
  Archived("OUT.FRM", "stored\n");
  Run("EW " + Windows("OUT.FRM"));
  Write("OUT.FRM", "work in progress\n", 0644);
  const std::string mine = Windows("MINE.FRM"), out = Windows("OUT.FRM");
  for (const char* options : {"EW ", "EBW ", "EFW "}) {
    EXPECT_EQ(StatusLines(Run(options + mine))[1],
              mine + ": writable work file was not given out by the engine; left untouched");
  }
  // Given out with our lock and edited since: extracting again keeps the edits.
  EXPECT_EQ(StatusLines(Run("EW " + out))[1], out + ": revision 1.1 is already checked out to you");
  EXPECT_EQ(StatusLines(Run("EBW " + out))[1], out + ": checked out to you and writable; work file kept");
  // Also when the write bit went after the editing.
  std::filesystem::permissions(Path("OUT.FRM"), std::filesystem::perms::owner_read);
  for (const char* options : {"EW ", "EBW ", "EFW "}) {
    EXPECT_EQ(StatusLines(Run(options + out))[1],
              out + ": revision 1.1 is checked out to you and the work file was changed; work file kept");
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

// F extracts only over a work file older than the latest revision; one of the same second is not.
// On check-in, keywords RCS expanded with the lock's holder still count as unchanged.
TEST_F(EngineTest, FreshenSkipsWhatIsUpToDate) {
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
  Archived("KEYS.BAS", "' $Id$\n' $Log$\n");
  Run("EW " + Windows("KEYS.BAS"));
  EXPECT_EQ(StatusLines(Run("UFW " + Windows("KEYS.BAS")))[1],
            Windows("KEYS.BAS") + ": not changed since revision 1.1; skipped");
  EXPECT_FALSE(ReadOnly(Path("KEYS.BAS")));
}

}  // namespace
}  // namespace testing_support
