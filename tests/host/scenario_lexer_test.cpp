#include "host/scenario_lexer.hpp"

#include <gtest/gtest.h>

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

}  // namespace
