// Every option combination the two dialogs can send, on real archives: what each letter does, and
// which of two contradicting letters wins.
#include <filesystem>

#include "engine_fixture.hpp"

namespace testing_support {
namespace {

class CombinationTest : public EngineTest {
 protected:
  // Per subset of `letters` (bit i of its index holds letter i) two files, named by `prefixes`
  // and the index, archived with revision 1.1 holding `contents` and locked by the user.
  std::vector<std::string> Prepare(const std::string& letters, const std::string (&prefixes)[2],
                                   const std::string& contents) {
    std::vector<std::string> names, arguments{"-l", "-i", "-t-test", "-minitial"};
    for (unsigned i = 0; i < (1u << letters.size()); ++i) {
      std::string options;
      for (std::size_t l = 0; l < letters.size(); ++l)
        options += (i & (1u << l)) != 0 ? letters.substr(l, 1) : "";
      options_.push_back(options);
      for (const auto& prefix : prefixes) names.push_back(prefix + std::to_string(i) + ".BAS");
    }
    for (const auto& name : names) {
      Write(name, contents);
      arguments.insert(arguments.end(), {Archive(name), Path(name)});
    }
    Rcs("ci", arguments);
    return names;
  }
  // The revision the user holds as the lock query tells it, or "".
  std::string OwnLock(const std::string& name) {
    std::vector<std::string> lines = StatusLines(Run("T " + Windows(name)));
    if (lines[0] != Windows(name) + " is checked out to you") return "";
    return lines.back().substr(lines.back().rfind(' ') + 1);
  }
  static bool Has(const std::string& options, char letter) {
    return options.find(letter) != std::string::npos;
  }

  std::vector<std::string> options_;
};

TEST_F(CombinationTest, EveryCheckOutCombination) {
  // Per combination a work file older than the archive's latest revision and one newer, both
  // read-only; the archives hold 1.1 "one" and 1.2 "two".
  const std::vector<std::string> names = Prepare("BFRS", {"OLD", "NEW"}, "one\n");
  std::vector<std::string> arguments{"-u", "-mtwo"};
  for (const auto& name : names) {
    Write(name, "two\n");
    arguments.insert(arguments.end(), {Archive(name), Path(name)});
  }
  Rcs("ci", arguments);
  for (std::size_t i = 0; i < names.size(); i += 2) {
    Write(names[i], "stale\n", 0444);
    std::filesystem::last_write_time(Path(names[i]),
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(48));
    Write(names[i + 1], "newer\n", 0444);
  }

  for (std::size_t i = 0; i < options_.size(); ++i) {
    const std::string& options = options_[i];
    SCOPED_TRACE("E" + options + "W");
    if (Has(options, 'S')) Run("VERSION 1.1");
    const std::string revision = Has(options, 'S') ? "1.1" : "1.2";
    const std::vector<std::string> lines =
        StatusLines(Run("E" + options + "W " + Windows(names[2 * i]) + "," + Windows(names[2 * i + 1])));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::string(Has(options, 'F') ? "1" : "2") + " of 2 files extracted");
    for (int n = 0; n < 2; ++n) {
      const std::string& name = names[2 * i + n];
      std::string line, contents = n == 0 ? "stale\n" : "newer\n", lock;
      bool read_only = true;
      if (n == 1 && Has(options, 'F')) {
        line = "work file is up to date; not extracted";
      } else if (Has(options, 'B')) {  // B wins over R: a read-only copy, no lock
        line = "revision " + revision + " extracted read-only" +
               (Has(options, 'R') ? " (B wins over R: no lock taken)" : "");
        contents = Has(options, 'S') ? "one\n" : "two\n";
      } else if (Has(options, 'R')) {
        line = "revision " + revision + " locked; work file not touched";
        lock = revision;
      } else {
        line = "revision " + revision + " extracted and locked";
        contents = Has(options, 'S') ? "one\n" : "two\n";
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
  // Per combination a file changed under the user's lock and one left as it was checked out.
  const std::vector<std::string> names = Prepare("DFKMSB", {"CHG", "SAME"}, "v1\n");
  for (std::size_t i = 0; i < names.size(); i += 2) Write(names[i], "v2\n");

  for (std::size_t i = 0; i < options_.size(); ++i) {
    const std::string& options = options_[i];
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
