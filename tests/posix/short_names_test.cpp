#include "posix/short_names.hpp"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace posix {
namespace {

TEST(ShortNames, ValidityRules) {
  for (const char* name : {"A", "form1.frm", "FORM1.FRM", "ABCDEFGH", "ABCDEFGH.ABC", "x.y", "a~1", "0123"}) {
    EXPECT_TRUE(IsValidShortName(name)) << name;
  }
  for (char c : std::string("!#$%&'()-@^_`{}~")) {
    EXPECT_TRUE(IsValidShortName(std::string("a") + c + ".t" + c)) << c;
  }
  for (char c : std::string(",+;=[] ")) {
    EXPECT_FALSE(IsValidShortName(std::string("a") + c + "b")) << "'" << c << "'";
    EXPECT_FALSE(IsValidShortName(std::string("ab.c") + c)) << "'" << c << "'";
  }
  for (const char* name : {"", "ABCDEFGHI", "ABCDEFGHI.TXT", "A.ABCD", "A.", ".A", ".profile", "A.B.C", "..",
                           "my file", " A", "A ", "caf\xe9", "a\tb", "a/b", "a\\b", "a\"b", "a*b", "a?b"}) {
    EXPECT_FALSE(IsValidShortName(name)) << name;
  }
}

TEST(ShortNames, HashIsFoldedFnv1a) {
  // Published FNV-1a vectors: "" 811C9DC5, "a" E40C292C, "foobar" BF9CF968.
  EXPECT_EQ(FoldedNameHash(""), 0x811C ^ 0x9DC5);
  EXPECT_EQ(FoldedNameHash("a"), 0xE40C ^ 0x292C);
  EXPECT_EQ(FoldedNameHash("foobar"), 0xBF9C ^ 0xF968);
  EXPECT_NE(FoldedNameHash("My File.frm"), FoldedNameHash("my file.frm"));
}

TEST(ShortNames, AliasShape) {
  EXPECT_EQ(AliasCandidate("My File.frm", 1), "MY512F~1.FRM");  // the example in docs/short-names.md
  EXPECT_EQ(AliasCandidate("My File.frm", 2), "MY512F~2.FRM");
  EXPECT_EQ(AliasCandidate("My File.frm", 10), "MY512~10.FRM");
  EXPECT_EQ(AliasCandidate("a b", 1), "ABE951~1");                 // no dot: no extension
  EXPECT_EQ(AliasCandidate("+++", 1), "_2216~1");                  // no valid character at all
  EXPECT_EQ(AliasCandidate(".bashrc", 1), "BA68CA~1");             // a leading dot starts no extension
  EXPECT_EQ(AliasCandidate("archive.tar.gz", 1), "ARB129~1.GZ");   // the last dot counts
  EXPECT_EQ(AliasCandidate("x.frm backup", 1).substr(8), ".FRM");  // blanks dropped, three kept
  EXPECT_EQ(AliasCandidate("notes.", 1).find('.'), std::string::npos);
  EXPECT_EQ(AliasCandidate("notes.+;", 1).find('.'), std::string::npos);
  EXPECT_EQ(AliasCandidate("\xe9t\xe9 long", 1).substr(0, 2), "TL");
}

TEST(ShortNames, CollisionsTakeTheNextNumber) {
  // A real 8.3 sibling owns the alias (case aside), so the long name moves on to ~2.
  auto with_real = AssignShortNames({"My File.frm", "my512f~1.frm"});
  ASSERT_EQ(with_real.size(), 2u);
  EXPECT_EQ(with_real[0].short_name, "MY512F~2.FRM");
  EXPECT_EQ(with_real[1].short_name, "my512f~1.frm");

  // Two long names with one candidate: the earlier in byte order keeps ~1, whatever the listing order.
  std::map<std::uint16_t, std::string> seen;
  std::string first, second;
  for (int i = 0; second.empty(); ++i) {
    std::string name = "My File " + std::to_string(i) + ".frm";
    auto [it, inserted] = seen.emplace(FoldedNameHash(name), name);
    if (!inserted) std::tie(first, second) = std::minmax(it->second, name);
  }
  std::string stem = AliasCandidate(first, 1).substr(0, 6);
  for (const auto& order :
       {std::vector<std::string>{second, first}, std::vector<std::string>{first, second}}) {
    auto names = AssignShortNames(order);
    EXPECT_EQ(names[0].long_name, first);
    EXPECT_EQ(names[0].short_name, stem + "~1.FRM");
    EXPECT_EQ(names[1].short_name, stem + "~2.FRM");
  }
  std::vector<std::string> siblings{second, first, stem + "~2.frm"};
  EXPECT_EQ(ShortNameAmong(siblings, second), stem + "~3.FRM");
  EXPECT_EQ(LongNameOfAlias(siblings, stem + "~3.frm"), second);
  EXPECT_EQ(LongNameOfAlias(siblings, stem + "~2.FRM"), std::nullopt);  // a real name, not an alias
}

TEST(ShortNames, EveryAliasIsValidUniqueAndLeadsBack) {
  std::vector<std::string> siblings{"My File.frm",
                                    "my file.frm",
                                    "a,b.txt",
                                    "x+y=z",
                                    "[draft]",
                                    ".hidden",
                                    "+++",
                                    "---",
                                    "a.b.c.d",
                                    "two  blanks .bas",
                                    "caf\xe9.frm",
                                    "CON",
                                    "report.markdown",
                                    "Report.markdown",
                                    "ok.txt",
                                    "OK2.TXT",
                                    "~"};
  std::set<std::string> upper;
  for (const auto& [long_name, short_name] : AssignShortNames(siblings)) {
    EXPECT_TRUE(IsValidShortName(short_name)) << short_name;
    EXPECT_EQ(short_name.find_first_of(" ,"), std::string::npos) << short_name;
    std::string key = short_name;
    for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_TRUE(upper.insert(key).second) << "duplicate " << short_name;
    if (short_name != long_name) {
      EXPECT_EQ(LongNameOfAlias(siblings, short_name), long_name);
    }
    EXPECT_EQ(ShortNameAmong(siblings, long_name), short_name);
  }
}

}  // namespace
}  // namespace posix
