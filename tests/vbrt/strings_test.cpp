#include "vbrt/strings.hpp"

#include <gtest/gtest.h>

#include <functional>

#include "tests/support/vb_error.hpp"
#include "vbrt/code_page.hpp"

namespace {

TEST(Strings, AnswerAsVbDoes) {
  const std::pair<std::string, std::string> cases[] = {
      {vb::Trim("  a b  "), "a b"},
      {vb::LTrim("  a "), "a "},
      {vb::RTrim("   "), ""},
      // Tabs, line ends and NUL are not blanks: the short-name helpers keep the NUL on purpose.
      {vb::Trim(std::string("\tx\r\n\0   ", 8)), std::string("\tx\r\n\0", 5)},
      {vb::Mid("abcdef", 3), "cdef"},
      {vb::Mid("abcdef", 3, 2), "cd"},
      {vb::Mid("abc", 5), ""},  // a start past the end gives ""
      {vb::Mid("abc", 99, 2), ""},
      {vb::Mid("abc", 2, 99), "bc"},
      {vb::Left("abc", 5), "abc"},
      {vb::Right("abc", 2), "bc"},
      {vb::Right("abc", 7), "abc"},
      {vb::Chr(255), "\xFF"},
      {std::to_string(vb::InStr("", "")), "0"},
      {std::to_string(vb::InStr("abc", "")), "1"},
      {std::to_string(vb::InStr(3, "abcabc", "a")), "4"},
      {std::to_string(vb::InStr(6, "abcabc", "c")), "6"},         // from the last character
      {std::to_string(vb::InStr("is Checked", "checked")), "0"},  // exact case
      {std::to_string(vb::InStrRev("a\\b\\c", "\\")), "4"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(cases[i].first, cases[i].second) << i;

  // Dropping a character of an empty string raises 5: several algorithms stop on exactly this.
  const std::function<void()> invalid[] = {
      [] { vb::InStr(0, "abc", "a"); },
      [] { vb::Mid("abc", 0); },
      [] { vb::Mid("abc", 1, -1); },
      [] { vb::Left("", vb::Len("") - 1); },
      [] { vb::Right("", -1); },
      [] { vb::Space(-1); },
      [] { vb::Chr(256); },
  };
  for (const auto& call : invalid) EXPECT_EQ(testing_support::ErrorOf(call), 5) << &call - invalid;
}

TEST(Strings, CaseMappingFollowsTheActiveCodePage) {
  ASSERT_EQ(vb::ActiveCodePage().number(), 1252);
  EXPECT_EQ(vb::UCase("a1_~\xE9t\xE9"), "A1_~\xC9T\xC9");        // été
  EXPECT_EQ(vb::LCase("\xD7\xF7"), "\xD7\xF7");                  // × and ÷ are not letters
  EXPECT_EQ(vb::UCase("\xFF\x9A\xDF\xB5"), "\x9F\x8A\xDF\xB5");  // ÿ š to Ÿ Š; ß and µ have none here
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

TEST(CodePage, EveryTableRoundTripsThroughUtf8) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  for (int number : {1250, 1251, 1252}) {
    const vb::CodePage* page = vb::CodePage::Find(number);
    ASSERT_NE(page, nullptr) << number;
    EXPECT_EQ(page->FromUtf8(page->ToUtf8(all)), all) << number;
  }
  const vb::CodePage& latin = *vb::CodePage::Find(1252);
  const vb::CodePage& cyrillic = *vb::CodePage::Find(1251);
  EXPECT_EQ(latin.ToUtf8("Gr\xF6\xDF\x65 \x96 \x80"), "Größe – €");
  EXPECT_EQ(cyrillic.ToUtf8("\xD2\xE5\xF1\xF2 \xB9"), "Тест №");
  EXPECT_EQ(cyrillic.FromUtf8("Тест Проект"), "\xD2\xE5\xF1\xF2 \xCF\xF0\xEE\xE5\xEA\xF2");
  // What a code page cannot hold, and what is not UTF-8, is no text of it.
  EXPECT_EQ(latin.FromUtf8("Тест"), std::nullopt);
  EXPECT_EQ(latin.FromUtf8("ok \xFF"), std::nullopt);
  EXPECT_EQ(latin.FromUtf8("\xC0\xAF"), std::nullopt);      // an overlong "/"
  EXPECT_EQ(latin.FromUtf8("\xED\xA0\x80"), std::nullopt);  // a surrogate
  EXPECT_EQ(latin.FromUtf8Lossy("Тест.bas \xFF"), "????.bas \xFF");
}

TEST(CodePage, FileNamesCompareAsWindowsComparesThem) {
  EXPECT_TRUE(vb::Utf8EqualsIgnoringCase("größe.BAS", "Größe.bas"));
  EXPECT_TRUE(vb::Utf8EqualsIgnoringCase("тест проект", "ТЕСТ ПРОЕКТ"));
  EXPECT_FALSE(vb::Utf8EqualsIgnoringCase("Grösse.bas", "Größe.bas"));
  EXPECT_FALSE(vb::Utf8EqualsIgnoringCase("Größe.bas", "Größe.bas2"));
  EXPECT_TRUE(vb::Utf8EqualsIgnoringCase("a\xFF", "A\xFF"));  // not UTF-8: bytes, ASCII case aside
  EXPECT_FALSE(vb::Utf8EqualsIgnoringCase("\xE9", "\xC9"));
}

TEST(Errors, NumbersCarryVbDescriptions) {
  const std::pair<int, std::string> texts[] = {
      {5, "Invalid procedure call or argument"},
      {53, "File not found"},
      {282, "No foreign application responded to a DDE initiate"},
      {285, "Foreign application won't perform DDE method or operation"},
      {286, "Timeout while waiting for DDE response"},
      {293, "DDE method invoked with no channel open"},
  };
  for (const auto& [number, text] : texts) EXPECT_EQ(vb::Error(number).description(), text);
  EXPECT_EQ(vb::Error(1000, "own text").description(), "own text");
}

}  // namespace
