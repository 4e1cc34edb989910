#include "posix/command_line.hpp"

#include <gtest/gtest.h>

#include <set>

namespace posix {
namespace {

using Strings = std::vector<std::string>;

CommandLine Split(std::string_view line, std::set<std::string> programs) {
  return SplitCommandLine(line, [&](std::string_view path) -> std::optional<std::string> {
    if (programs.count(std::string(path)) == 0) return std::nullopt;
    return "<" + std::string(path) + ">";
  });
}

TEST(CommandLine, SplitsArgumentsAtBlanksKeepingQuotedOnesWhole) {
  EXPECT_EQ(SplitArguments("  -L   x "), (Strings{"-L", "x"}));
  EXPECT_EQ(SplitArguments(R"(-f "C:\My Docs\a b.frm" "" end)"),
            (Strings{"-f", R"(C:\My Docs\a b.frm)", "", "end"}));
  EXPECT_EQ(SplitArguments(R"(pre"fix and"post)"), (Strings{"prefix andpost"}));
  EXPECT_EQ(SplitArguments(R"("unterminated x)"), (Strings{"unterminated x"}));
  EXPECT_EQ(SplitArguments(""), Strings{});
}

TEST(CommandLine, TheLongestPrefixNamingAProgramWins) {
  std::set<std::string> planted{R"(C:\Program)", R"(C:\Program Files\x\WNORB16)"};
  CommandLine line = Split(R"(C:\Program Files\x\WNORB16 -L)", planted);
  EXPECT_EQ(line.program, R"(<C:\Program Files\x\WNORB16>)");
  EXPECT_EQ(line.arguments, Strings{"-L"});

  line = Split(R"(  C:\Program Files\y\Other -L  two  )", planted);
  EXPECT_EQ(line.program, R"(<C:\Program>)");
  EXPECT_EQ(line.arguments, (Strings{R"(Files\y\Other)", "-L", "two"}));

  line = Split(R"(C:\a b  c d)", {R"(C:\a b  c)"});
  EXPECT_EQ(line.program, R"(<C:\a b  c>)");
  EXPECT_EQ(line.arguments, Strings{"d"});

  line = Split(R"("C:\Program Files\x\WNORB16" -L "a b")", planted);
  EXPECT_EQ(line.program, R"(<C:\Program Files\x\WNORB16>)");
  EXPECT_EQ(line.arguments, (Strings{"-L", "a b"}));

  // A quoted name is the name: no shorter prefix is tried.
  EXPECT_EQ(Split(R"("C:\Program Files\y\Other" -L)", planted).program, "");
  EXPECT_EQ(Split(R"(C:\Nothing\Here -L)", planted).program, "");
  EXPECT_EQ(Split("   ", planted).program, "");
}

}  // namespace
}  // namespace posix
