#include "host/scenario_lexer.hpp"

#include <gtest/gtest.h>

namespace {

using vbhost::SplitWords;
using Words = std::vector<std::string>;

TEST(ScenarioLexer, WordsQuotesAndComments) {
  EXPECT_EQ(SplitWords("open C:\\tmp\\App.vbp"), (Words{"open", "C:\\tmp\\App.vbp"}));
  EXPECT_EQ(SplitWords("  engine   reply  T   x  "), (Words{"engine", "reply", "T", "x"}));
  EXPECT_EQ(SplitWords("# a comment"), Words{});
  EXPECT_EQ(SplitWords("   # indented comment"), Words{});
  EXPECT_EQ(SplitWords(""), Words{});
  EXPECT_EQ(SplitWords("edit frmMain\r"), (Words{"edit", "frmMain"}));
  // A "#" inside a line is an ordinary character.
  EXPECT_EQ(SplitWords("engine reply # x"), (Words{"engine", "reply", "#", "x"}));
  EXPECT_EQ(SplitWords("open \"Sales Reports/Sales.vbp\""), (Words{"open", "Sales Reports/Sales.vbp"}));
  EXPECT_EQ(SplitWords("engine reply \"T \" \"a\\r\\nb\\t\\\"q\\\" \\\\\""),
            (Words{"engine", "reply", "T ", "a\r\nb\t\"q\" \\"}));
  EXPECT_EQ(SplitWords("engine status \"\""), (Words{"engine", "status", ""}));
  // Unquoted words keep their backslashes literally.
  EXPECT_EQ(SplitWords("x a\\nb"), (Words{"x", "a\\nb"}));
}

TEST(ScenarioLexer, BadQuotingIsAScenarioError) {
  EXPECT_THROW(SplitWords("engine reply \"a\\qb\""), vbhost::ScenarioError);
  EXPECT_THROW(SplitWords("engine reply \"open"), vbhost::ScenarioError);
  EXPECT_THROW(SplitWords("engine reply \"a\\"), vbhost::ScenarioError);
  EXPECT_THROW(SplitWords("engine reply \"a\"b"), vbhost::ScenarioError);
}

}  // namespace
