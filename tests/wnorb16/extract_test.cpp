#include <filesystem>

#include "engine_fixture.hpp"

namespace testing_support {
namespace {

// A work file with edits is never overwritten: writable without our lock, or changed under it,
// whether or not the write bit went after the editing. Unchanged and read-only, it is given out again.
TEST_F(EngineTest, ExtractNeverOverwritesEdits) {
  for (const char* name : {"MINE.FRM", "OUT.FRM", "RO.FRM", "SAME.FRM"}) Archived(name, "stored\n");
  Run("EW " + Windows("OUT.FRM") + "," + Windows("RO.FRM") + "," + Windows("SAME.FRM"));
  Write("MINE.FRM", "edited\n");
  Write("OUT.FRM", "edited\n");
  Write("RO.FRM", "edited\n", 0444);
  std::filesystem::permissions(Path("SAME.FRM"), std::filesystem::perms::owner_read);
  // What the engine says about the file, after its name.
  auto said = [&](const std::string& command, const std::string& name) {
    return StatusLines(Run(command + " " + Windows(name)))[1].substr(Windows(name).size() + 2);
  };
  for (const char* command : {"EW", "EBW", "EFW"}) {
    EXPECT_EQ(said(command, "MINE.FRM"),
              "writable work file was not given out by the engine; left untouched");
    EXPECT_EQ(said(command, "RO.FRM"),
              "revision 1.1 is checked out to you and the work file was changed; work file kept");
  }
  EXPECT_EQ(said("EW", "OUT.FRM"), "revision 1.1 is already checked out to you");
  EXPECT_EQ(said("EBW", "OUT.FRM"), "checked out to you and writable; work file kept");
  EXPECT_EQ(said("EW", "SAME.FRM"), "revision 1.1 extracted and locked");
  for (const char* name : {"MINE.FRM", "OUT.FRM", "RO.FRM"})
    EXPECT_EQ(Contents(Path(name)), "edited\n") << name;
  EXPECT_EQ(Run("T " + Windows("MINE.FRM")), Windows("MINE.FRM") + " is not checked out\r\n");
  EXPECT_FALSE(ReadOnly(Path("SAME.FRM")));
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
