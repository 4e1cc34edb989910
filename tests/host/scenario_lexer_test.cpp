#include "host/scenario_lexer.hpp"

#include <gtest/gtest.h>

#include "host/scenario_commands.hpp"
#include "tests/support/temp_folder.hpp"

namespace {

using vbhost::SplitWords;
using Words = std::vector<std::string>;

// Quoted words, empty ones and the usual escapes are the scenario files' daily bread; here the rest.
TEST(ScenarioLexer, WordsQuotesAndComments) {
  EXPECT_EQ(SplitWords("  engine   reply  T   x  "), (Words{"engine", "reply", "T", "x"}));
  EXPECT_EQ(SplitWords("   # indented comment"), Words{});
  EXPECT_EQ(SplitWords("edit frmMain\r"), (Words{"edit", "frmMain"}));
  // A "#" inside a line is an ordinary character.
  EXPECT_EQ(SplitWords("engine reply # x"), (Words{"engine", "reply", "#", "x"}));
  EXPECT_EQ(SplitWords("engine reply \"T \" \"a\\r\\nb\\t\\\"q\\\" \\\\\""),
            (Words{"engine", "reply", "T ", "a\r\nb\t\"q\" \\"}));
  // Unquoted words keep their backslashes literally.
  EXPECT_EQ(SplitWords("x a\\nb"), (Words{"x", "a\\nb"}));
  // Bad quoting is a scenario error.
  EXPECT_THROW(SplitWords("engine reply \"open"), vbhost::ScenarioError);
  EXPECT_THROW(SplitWords("engine reply \"a\\"), vbhost::ScenarioError);
  EXPECT_THROW(SplitWords("engine reply \"a\"b"), vbhost::ScenarioError);
}

// The documentation's list of commands is the table's, row for row: a command added, renamed or
// re-explained in one shows in the other. Each command takes the arguments its usage shows, and
// one more or one fewer is refused with that usage: a word in brackets may be left out, and a last
// word with "..." stands for any number.
TEST(ScenarioCommands, TheDocumentationListsTheTableAndEachTakesTheArgumentsItsUsageShows) {
  const std::string doc = testing_support::Contents(std::string(NORB_SOURCE_DIR) + "/docs/scenarios.md");
  const std::string head = "| command | what it does |\n|---|---|\n";
  const std::size_t start = doc.find(head);
  ASSERT_NE(start, std::string::npos);
  const std::size_t end = doc.find("\n\n", start);
  std::string table;
  for (const vbhost::ScenarioCommand& c : vbhost::ScenarioCommands()) {
    std::string escaped;
    for (char ch : c.usage) escaped += ch == '|' ? "\\|" : std::string(1, ch);
    table += "| `" + escaped + "` | " + std::string(c.help) + " |\n";
    const Words usage = SplitWords(std::string(c.usage));
    const std::size_t prefix = c.object.empty() ? 1 : 2;
    int required = 0, optional = 0;
    bool open_ended = false;
    for (std::size_t i = prefix; i < usage.size(); ++i) {
      if (usage[i].starts_with('[')) {
        ++optional;
      } else if (usage[i].ends_with("...")) {
        open_ended = true;
      } else {
        ++required;
      }
    }
    auto error_with = [&](int arguments) {
      Words line(usage.begin(), usage.begin() + static_cast<std::ptrdiff_t>(prefix));
      line.resize(prefix + static_cast<std::size_t>(arguments), "x");
      try {
        vbhost::MatchScenarioCommand(line);
      } catch (const vbhost::ScenarioError& e) {
        return std::string(e.what());
      }
      return std::string();
    };
    const std::string refused = "usage: " + std::string(c.usage);
    EXPECT_EQ(error_with(required + optional + (open_ended ? 1 : 0)), "") << c.usage;
    if (!open_ended) {
      EXPECT_EQ(error_with(required + optional + 1), refused);
    }
    if (required > 0) {
      EXPECT_EQ(error_with(required - 1), refused);
    }
  }
  EXPECT_EQ(doc.substr(start + head.size(), end + 1 - start - head.size()), table);
}

}  // namespace
