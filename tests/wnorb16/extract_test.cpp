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

// F extracts only over a work file older than the latest revision; one of the same second is not,
// unless the engine wrote it from an older revision.
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
  // A copy the engine wrote from 1.1 is behind bob's 1.2 however the clocks put their times.
  Write("G.FRM", "g1\n");
  Rcs("ci", {"-u", "-i", "-t-x", "-d2019/01/01 00:00:00", "-mg1", Archive("G.FRM"), Path("G.FRM")});
  Run("EBW " + Windows("G.FRM"));
  std::filesystem::create_directory(tmp_ / "bob");
  Rcs("co", {"-l", Archive("G.FRM"), tmp_ / "bob/G.FRM"}, "bob");
  std::filesystem::permissions(tmp_ / "bob/G.FRM", std::filesystem::perms::owner_all);
  tmp_.Write("bob/G.FRM", "g2\n");
  Rcs("ci", {"-u", "-d2020/01/01 00:00:00", "-mg2", Archive("G.FRM"), tmp_ / "bob/G.FRM"}, "bob");
  EXPECT_EQ(StatusLines(Run("EBFW " + Windows("G.FRM")))[1],
            Windows("G.FRM") + ": revision 1.2 extracted read-only");
  EXPECT_EQ(Contents(Path("G.FRM")), "g2\n");
  Archived("KEYS.BAS", "' $Id$\n' $Log$\n");
  Run("EW " + Windows("KEYS.BAS"));
  EXPECT_EQ(StatusLines(Run("UFW " + Windows("KEYS.BAS")))[1],
            Windows("KEYS.BAS") + ": not changed since revision 1.1; skipped");
  EXPECT_FALSE(ReadOnly(Path("KEYS.BAS")));
}

// The files of a component named in one command (a designer file and its binary companion, same
// folder and base name, case aside) are extracted and locked both or neither, whichever of them is
// refused and however the add-in spelled them; a file named alone goes alone. With F a component is
// up to date only when both files are, so its locks stay together.
TEST_F(EngineTest, AComponentIsExtractedWholeOrNotAtAll) {
  for (const char* name : {"List View.ctl", "list view.CTX", "B.FRM", "B.FRX", "C.FRM", "C.FRX", "D.PAG",
                           "D.PGX", "MODULE1.BAS", "E.FRM", "E.FRX", "G.FRM", "G.FRX"})
    Archived(name, "stored\n");
  // bob's locks, taken in his own copies: ann's work files stay read-only.
  for (const char* name : {"List View.ctl", "C.FRX", "D.PGX"}) {
    LockAs("bob", name);
    std::filesystem::permissions(Path(name), std::filesystem::perms::owner_read);
  }
  Write("B.FRX", "edited without a lock\n");
  const std::string ctl = Short("List View.ctl"), ctx = Short("list view.CTX"),
                    ctl_name = ctl.substr(ctl.rfind('\\') + 1);
  const std::string b_frm = Windows("B.FRM"), b_frx = Windows("B.FRX"), c_frm = Windows("C.FRM");
  const std::string d_pag = Windows("D.PAG"), d_pgx = Windows("D.PGX"), module = Windows("MODULE1.BAS");
  EXPECT_EQ(Run("EW " + ctl + "," + ctx + "," + b_frm + "," + b_frx + "," + c_frm + "," + d_pag + "," +
                d_pgx + "," + module),
            "2 of 8 files extracted\r\n" + ctl + ": checked out to bob; left alone\r\n" + ctx +
                ": not extracted: its companion " + ctl_name + " cannot be (checked out to bob)\r\n" + b_frm +
                ": not extracted: its companion B.FRX cannot be (writable work file was not given out by the "
                "engine)\r\n" +
                b_frx + ": writable work file was not given out by the engine; left untouched\r\n" + c_frm +
                ": revision 1.1 extracted and locked\r\n" + d_pag +
                ": not extracted: its companion D.PGX cannot be (checked out to bob)\r\n" + d_pgx +
                ": checked out to bob; left alone\r\n" + module + ": revision 1.1 extracted and locked\r\n");
  for (const char* name : {"list view.CTX", "B.FRM", "D.PAG"}) {
    EXPECT_EQ(Run("T " + Windows(name)), Windows(name) + " is not checked out\r\n");
    EXPECT_TRUE(ReadOnly(Path(name))) << name;
  }

  // E.FRM is as new as its revision, E.FRX older: both are locked. A copy is not put beside a work
  // file kept under the user's lock, where it would be of another revision.
  std::filesystem::last_write_time(Path("E.FRX"),
                                   std::filesystem::file_time_type::clock::now() - std::chrono::hours(48));
  Run("EW " + Windows("G.FRM"));
  Write("G.FRM", "edited\n");
  EXPECT_EQ(Run("EFW " + Windows("E.FRM") + "," + Windows("E.FRX")),
            "2 of 2 files extracted\r\n" + Windows("E.FRM") + ": revision 1.1 extracted and locked\r\n" +
                Windows("E.FRX") + ": revision 1.1 extracted and locked\r\n");
  EXPECT_EQ(Run("EBW " + Windows("G.FRX") + "," + Windows("G.FRM")),
            "0 of 2 files extracted\r\n" + Windows("G.FRX") +
                ": not extracted: its companion G.FRM cannot be (checked out to you and writable)\r\n" +
                Windows("G.FRM") + ": checked out to you and writable; work file kept\r\n");
}

}  // namespace
}  // namespace testing_support
