// Every option combination the two dialogs can send, on real archives: what each letter does, and
// which of two contradicting letters wins.
#include <filesystem>

#include "engine_fixture.hpp"

namespace testing_support {
namespace {

// Every subset of `letters`, in their order.
std::vector<std::string> Subsets(const std::string& letters) {
  std::vector<std::string> subsets;
  for (unsigned mask = 0; mask < (1u << letters.size()); ++mask) {
    std::string subset;
    for (std::size_t i = 0; i < letters.size(); ++i) {
      if ((mask & (1u << i)) != 0) subset += letters[i];
    }
    subsets.push_back(subset);
  }
  return subsets;
}

bool Has(const std::string& options, char letter) { return options.find(letter) != std::string::npos; }

class CombinationTest : public EngineTest {
 protected:
  // The lock state as the lock query tells it: the revision the user holds, or "".
  std::string OwnLock(const std::string& name) {
    std::vector<std::string> lines = StatusLines(Run("T " + Windows(name)));
    if (lines[0] != Windows(name) + " is checked out to you") return "";
    return lines.back().substr(lines.back().rfind(' ') + 1);
  }
  // Archives of `names` with revision 1.1 holding `contents`, in one run of ci.
  void ArchiveAll(const std::vector<std::string>& names, const std::string& contents) {
    std::vector<std::string> arguments{"-u", "-i", "-t-test", "-minitial"};
    for (const auto& name : names) {
      Write(name, contents);
      arguments.insert(arguments.end(), {Archive(name), Path(name)});
    }
    Rcs("ci", arguments);
  }
  void RunOnAll(const std::string& program, std::vector<std::string> arguments,
                const std::vector<std::string>& names) {
    for (const auto& name : names) arguments.insert(arguments.end(), {Archive(name), Path(name)});
    Rcs(program, arguments);
  }
};

TEST_F(CombinationTest, EveryCheckOutCombination) {
  const std::vector<std::string> combinations = Subsets("BFRS");
  // Per combination a work file older than the archive's latest revision and one newer, both
  // read-only; the archives hold 1.1 "one" and 1.2 "two".
  std::vector<std::string> names;
  for (std::size_t i = 0; i < combinations.size(); ++i) {
    names.push_back("OLD" + std::to_string(i) + ".BAS");
    names.push_back("NEW" + std::to_string(i) + ".BAS");
  }
  ArchiveAll(names, "one\n");
  RunOnAll("co", {"-l"}, names);
  for (const auto& name : names) Write(name, "two\n");
  RunOnAll("ci", {"-u", "-mtwo"}, names);
  for (std::size_t i = 0; i < combinations.size(); ++i) {
    Write(names[2 * i], "stale\n", 0444);
    std::filesystem::last_write_time(Path(names[2 * i]),
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(48));
    Write(names[2 * i + 1], "newer\n", 0444);
  }

  for (std::size_t i = 0; i < combinations.size(); ++i) {
    const std::string& options = combinations[i];
    SCOPED_TRACE("E" + options + "W");
    if (Has(options, 'S')) Run("VERSION 1.1");
    const std::string revision = Has(options, 'S') ? "1.1" : "1.2";
    const std::string stored = Has(options, 'S') ? "one\n" : "two\n";
    const std::vector<std::string> lines =
        StatusLines(Run("E" + options + "W " + Windows(names[2 * i]) + "," + Windows(names[2 * i + 1])));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::string(Has(options, 'F') ? "1" : "2") + " of 2 files extracted");
    for (int n = 0; n < 2; ++n) {
      const std::string& name = names[2 * i + n];
      const std::string before = n == 0 ? "stale\n" : "newer\n";
      std::string line, contents, lock;
      bool read_only = true;
      if (n == 1 && Has(options, 'F')) {
        line = "work file is up to date; not extracted";
        contents = before;
      } else if (Has(options, 'B')) {  // B wins over R: a read-only copy, no lock
        line = "revision " + revision + " extracted read-only" +
               (Has(options, 'R') ? " (B wins over R: no lock taken)" : "");
        contents = stored;
      } else if (Has(options, 'R')) {
        line = "revision " + revision + " locked; work file not touched";
        contents = before;
        lock = revision;
      } else {
        line = "revision " + revision + " extracted and locked";
        contents = stored;
        lock = revision;
        read_only = false;
      }
      EXPECT_EQ(lines[1 + n], Windows(name) + ": " + line);
      EXPECT_EQ(Contents(Path(name)), contents) << name;
      EXPECT_EQ(ReadOnly(Path(name)), read_only) << name;
      EXPECT_EQ(OwnLock(name), lock) << name;
    }
  }
}

TEST_F(CombinationTest, EveryCheckInCombination) {
  const std::vector<std::string> combinations = Subsets("DFKMSB");
  // Per combination a file changed under the user's lock and one left as it was checked out.
  std::vector<std::string> names;
  for (std::size_t i = 0; i < combinations.size(); ++i) {
    names.push_back("CHG" + std::to_string(i) + ".BAS");
    names.push_back("SAME" + std::to_string(i) + ".BAS");
  }
  ArchiveAll(names, "v1\n");
  RunOnAll("co", {"-l"}, names);
  for (std::size_t i = 0; i < combinations.size(); ++i) Write(names[2 * i], "v2\n");

  for (std::size_t i = 0; i < combinations.size(); ++i) {
    const std::string& options = combinations[i];
    SCOPED_TRACE("U" + options + "W");
    if (Has(options, 'S')) Run("VERSION 7.5");
    const bool discard = Has(options, 'D'), keep = Has(options, 'K');
    // The numbering letter that wins, S over B over M, and the note naming what lost.
    std::string winner, losers;
    for (char letter : std::string("SBM")) {
      if (!Has(options, letter)) continue;
      if (winner.empty() && !discard) {
        winner = letter;
      } else {
        losers += (losers.empty() ? "" : " and ") + std::string(1, letter);
      }
    }
    const std::string note = losers.empty() ? ""
                             : discard      ? " (D stores nothing: " + losers + " ignored)"
                                            : " (" + winner + " wins over " + losers + ")";
    const std::string revision = winner == "S"   ? "7.5"
                                 : winner == "B" ? "1.1.1.1"
                                 : winner == "M" ? "1.2"
                                                 : "2.1";

    const std::vector<std::string> lines =
        StatusLines(Run("U" + options + "W " + Windows(names[2 * i]) + "," + Windows(names[2 * i + 1])));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::string(Has(options, 'F') ? "1" : "2") + " of 2 files updated");
    for (int n = 0; n < 2; ++n) {
      const std::string& name = names[2 * i + n];
      const bool changed = n == 0;
      std::string line, contents = changed && !discard ? "v2\n" : "v1\n", lock = keep ? "1.1" : "";
      if (!changed && Has(options, 'F')) {
        line = "not changed since revision 1.1; skipped";
        lock = "1.1";
      } else if (discard) {
        line = (keep ? "changes discarded; work file restored to revision 1.1, still checked out to you"
                     : "lock released; work file restored to revision 1.1 read-only") +
               note;
      } else if (!changed) {
        line = std::string("unchanged; revision 1.1 kept") +
               (keep ? ", still checked out to you" : ", lock released");
      } else {
        line = "checked in as revision " + revision +
               (keep ? "; still checked out to you" : "; work file read-only") + note;
        lock = keep ? revision : "";
      }
      EXPECT_EQ(lines[1 + n], Windows(name) + ": " + line);
      EXPECT_EQ(Contents(Path(name)), contents) << name;
      EXPECT_EQ(ReadOnly(Path(name)), lock.empty()) << name;
      EXPECT_EQ(OwnLock(name), lock) << name;
    }
  }
}

}  // namespace
}  // namespace testing_support
