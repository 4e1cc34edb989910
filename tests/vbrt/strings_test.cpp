#include "vbrt/strings.hpp"

#include <gtest/gtest.h>

#include "vbrt/code_page.hpp"
#include "vbrt/error.hpp"

namespace {

int ErrorOf(auto&& f) {
  try {
    f();
  } catch (const vb::Error& e) {
    return e.number();
  }
  return 0;
}

TEST(Strings, TrimRemovesBlanksOnly) {
  EXPECT_EQ(vb::Trim("  a b  "), "a b");
  EXPECT_EQ(vb::LTrim("  a "), "a ");
  EXPECT_EQ(vb::RTrim("  a "), "  a");
  // Tabs, line ends and NUL are not blanks: the short-name helpers keep the NUL on purpose.
  EXPECT_EQ(vb::Trim("\tx\r\n"), "\tx\r\n");
  EXPECT_EQ(vb::Trim(std::string("C:\\A\\B\0   ", 10)), std::string("C:\\A\\B\0", 7));
  EXPECT_EQ(vb::Trim("    "), "");
  EXPECT_EQ(vb::RTrim("   "), "");
}

TEST(Strings, InStrIsOneBasedAndZeroWhenAbsent) {
  EXPECT_EQ(vb::InStr("abc\\def", "\\"), 4);
  EXPECT_EQ(vb::InStr("abc", "x"), 0);
  EXPECT_EQ(vb::InStr("", "x"), 0);
  EXPECT_EQ(vb::InStr("abc", ""), 1);
  EXPECT_EQ(vb::InStr(3, "abcabc", "a"), 4);
  EXPECT_EQ(vb::InStr(7, "abcabc", "a"), 0);
  EXPECT_EQ(vb::InStr("is Checked", "checked"), 0);  // exact case
  EXPECT_EQ(ErrorOf([] { vb::InStr(0, "abc", "a"); }), 5);
  EXPECT_EQ(vb::InStrRev("a\\b\\c", "\\"), 4);
}

TEST(Strings, MidLeftRightRaiseFiveWhereVbDoes) {
  EXPECT_EQ(vb::Mid("abcdef", 3), "cdef");
  EXPECT_EQ(vb::Mid("abcdef", 3, 2), "cd");
  EXPECT_EQ(vb::Mid("abc", 4), "");  // a start past the end gives ""
  EXPECT_EQ(vb::Mid("abc", 99, 2), "");
  EXPECT_EQ(vb::Mid("abc", 2, 99), "bc");
  EXPECT_EQ(vb::Left("abc", 5), "abc");
  EXPECT_EQ(vb::Right("abc", 2), "bc");
  EXPECT_EQ(vb::Right("abc", 7), "abc");
  EXPECT_EQ(vb::Left("abc", vb::Len("abc") - 1), "ab");

  EXPECT_EQ(ErrorOf([] { vb::Mid("abc", 0); }), 5);
  EXPECT_EQ(ErrorOf([] { vb::Mid("abc", 1, -1); }), 5);
  // Dropping a character of an empty string: several algorithms stop on exactly this.
  std::string empty;
  EXPECT_EQ(ErrorOf([&] { vb::Left(empty, vb::Len(empty) - 1); }), 5);
  EXPECT_EQ(ErrorOf([&] { vb::Right(empty, -1); }), 5);
  EXPECT_EQ(ErrorOf([] { vb::Space(-1); }), 5);
  EXPECT_EQ(vb::Chr(255), "\xFF");
  EXPECT_EQ(ErrorOf([] { vb::Chr(256); }), 5);
}

TEST(Strings, CaseMappingFollowsTheActiveCodePage) {
  ASSERT_EQ(vb::ActiveCodePage().number(), 1252);
  EXPECT_EQ(vb::LCase("Is Checked Out TO You"), "is checked out to you");
  EXPECT_EQ(vb::UCase("no lock file"), "NO LOCK FILE");
  EXPECT_EQ(vb::UCase("\xE9t\xE9"), "\xC9T\xC9");                // été
  EXPECT_EQ(vb::LCase("\xD7\xF7"), "\xD7\xF7");                  // × and ÷ are not letters
  EXPECT_EQ(vb::UCase("\xFF\x9A\xDF\xB5"), "\x9F\x8A\xDF\xB5");  // ÿ š to Ÿ Š; ß and µ have none here
  EXPECT_EQ(vb::UCase("a1_~"), "A1_~");
  EXPECT_EQ(vb::LCase("AZ@["), "az@[");  // the letters' edges, and the characters beside them

  ASSERT_TRUE(vb::SetActiveCodePage(1251));
  EXPECT_EQ(vb::UCase("\xF7\xB8\xBF\xE0z"), "\xD7\xA8\xAF\xC0Z");  // чёїаz to ЧЁЇАZ
  EXPECT_EQ(vb::LCase("\xD7\xA8\x80\xA5"), "\xF7\xB8\x90\xB4");    // ЧЁЂҐ to чёђґ
  EXPECT_EQ(vb::UCase("\xB5\xE9"), "\xB5\xC9");                    // µ stays, й to Й
  ASSERT_TRUE(vb::SetActiveCodePage(1250));
  EXPECT_EQ(vb::UCase("\xB3\x9F\xE8"), "\xA3\x8F\xC8");  // łźč to ŁŹČ
  ASSERT_TRUE(vb::SetActiveCodePage(1252));
  EXPECT_FALSE(vb::SetActiveCodePage(65001));
  EXPECT_EQ(vb::ActiveCodePage().number(), 1252);
}

TEST(Errors, NumbersCarryVbDescriptions) {
  EXPECT_EQ(vb::Description(5), "Invalid procedure call or argument");
  EXPECT_EQ(vb::Description(53), "File not found");
  EXPECT_EQ(vb::Description(282), "No foreign application responded to a DDE initiate");
  EXPECT_EQ(vb::Description(285), "Foreign application won't perform DDE method or operation");
  EXPECT_EQ(vb::Description(286), "Timeout while waiting for DDE response");
  EXPECT_EQ(vb::Description(293), "DDE method invoked with no channel open");
  EXPECT_EQ(vb::Description(91), "Object variable or With block variable not set");
  EXPECT_EQ(vb::Description(31999), "Application-defined or object-defined error");
  vb::Error e(70);
  EXPECT_EQ(e.number(), 70);
  EXPECT_EQ(e.description(), "Permission denied");
  EXPECT_EQ(vb::Error(1000, "own text").description(), "own text");
}

}  // namespace
