// The option letters of the two dialogs on real archives: what each letter does, and which of
// two contradicting letters wins.
#include <filesystem>

#include "engine_fixture.hpp"

namespace testing_support {
namespace {

// The options sent, the work file before, the engine's words about the file, the work file
// after and the revision the user then holds locked ("" for none).
struct OptionCase {
  std::string options, before, line, after, lock;
};

// Per case a file whose archive holds 1.1 "one" and 1.2 "two", its work file read-only and
// older than 1.2 ("old") or of the same second ("new", "two"); S takes VERSION 1.1.
TEST_F(EngineTest, CheckOutOptions) {
  const OptionCase cases[] = {
      {"", "old\n", "revision 1.2 extracted and locked", "two\n", "1.2"},
      {"S", "old\n", "revision 1.1 extracted and locked", "one\n", "1.1"},
      {"R", "two\n", "revision 1.2 locked; work file not touched", "two\n", "1.2"},
      // A check-in under that lock would store "old" over 1.2; under a lock of 1.1 it starts a branch.
      {"R", "old\n",
       "the archive holds a newer revision, 1.2, than the work file; not locked (E brings it with the lock "
       "once "
       "a changed work file is moved aside)",
       "old\n", ""},
      {"RS", "old\n", "revision 1.1 locked; work file not touched", "old\n", "1.1"},
      {"B", "old\n", "revision 1.2 extracted read-only", "two\n", ""},
      {"BRS", "old\n", "revision 1.1 extracted read-only (B wins over R: no lock taken)", "one\n", ""},
      {"F", "old\n", "revision 1.2 extracted and locked", "two\n", "1.2"},
      {"F", "new\n", "work file is up to date; not extracted", "new\n", ""},
      {"BFR", "new\n", "work file is up to date; not extracted", "new\n", ""},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const OptionCase& c = cases[i];
    const std::string name = "E" + std::to_string(i) + ".BAS", windows = Windows(name);
    SCOPED_TRACE("E" + c.options + "W over " + c.before);
    Archived(name, "one\n");
    LockAs(kUser, name);
    Write(name, "two\n");
    Rcs("ci", {"-u", "-mtwo", Archive(name), Path(name)});
    Write(name, c.before, 0444);
    if (c.before == "old\n") {
      std::filesystem::last_write_time(
          Path(name), std::filesystem::file_time_type::clock::now() - std::chrono::hours(48));
    }
    Run("VERSION 1.1");
    EXPECT_EQ(Run("E" + c.options + "W " + windows), (c.line.starts_with("revision ") ? "1" : "0") +
                                                         std::string(" of 1 files extracted\r\n") + windows +
                                                         ": " + c.line + "\r\n");
    EXPECT_EQ(Contents(Path(name)), c.after);
    EXPECT_EQ(ReadOnly(Path(name)), c.lock.empty() || c.options.find('R') != std::string::npos);
    EXPECT_TRUE(
        Run("T " + windows)
            .ends_with(c.lock.empty() ? " is not checked out\r\n" : "locked revision " + c.lock + "\r\n"));
  }
}

// Per case a file checked out as revision 1.1 "v1" and changed to "v2" or not; S takes VERSION 7.5.
TEST_F(EngineTest, CheckInOptions) {
  const std::string restored = "work file restored to revision 1.1";
  const OptionCase cases[] = {
      {"", "v2\n", "checked in as revision 2.1; work file read-only", "v2\n", ""},
      {"K", "v2\n", "checked in as revision 2.1; still checked out to you", "v2\n", "2.1"},
      {"F", "v2\n", "checked in as revision 2.1; work file read-only", "v2\n", ""},
      {"M", "v2\n", "checked in as revision 1.2; work file read-only", "v2\n", ""},
      {"BM", "v2\n", "checked in as revision 1.1.1.1; work file read-only (B wins over M)", "v2\n", ""},
      {"KMS", "v2\n", "checked in as revision 7.5; still checked out to you (S wins over M)", "v2\n", "7.5"},
      {"BMS", "v2\n", "checked in as revision 7.5; work file read-only (S wins over B and M)", "v2\n", ""},
      {"D", "v2\n", "lock released; " + restored + " read-only", "v1\n", ""},
      {"DK", "v2\n", "changes discarded; " + restored + ", still checked out to you", "v1\n", "1.1"},
      {"BDS", "v2\n", "lock released; " + restored + " read-only (D stores nothing: S and B ignored)", "v1\n",
       ""},
      {"", "v1\n", "unchanged; revision 1.1 kept, lock released", "v1\n", ""},
      {"K", "v1\n", "unchanged; revision 1.1 kept, still checked out to you", "v1\n", "1.1"},
      {"DF", "v1\n", "not changed since revision 1.1; skipped", "v1\n", "1.1"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const OptionCase& c = cases[i];
    const std::string name = "U" + std::to_string(i) + ".BAS", windows = Windows(name);
    SCOPED_TRACE("U" + c.options + "W over " + c.before);
    Archived(name, "v1\n");
    LockAs(kUser, name);
    Write(name, c.before);
    Run("VERSION 7.5");
    EXPECT_EQ(Run("U" + c.options + "W " + windows), (c.line.ends_with("skipped") ? "0" : "1") +
                                                         std::string(" of 1 files updated\r\n") + windows +
                                                         ": " + c.line + "\r\n");
    EXPECT_EQ(Contents(Path(name)), c.after);
    EXPECT_EQ(ReadOnly(Path(name)), c.lock.empty());
    EXPECT_TRUE(
        Run("T " + windows)
            .ends_with(c.lock.empty() ? " is not checked out\r\n" : "locked revision " + c.lock + "\r\n"));
  }
}

}  // namespace
}  // namespace testing_support
