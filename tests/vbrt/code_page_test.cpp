#include "vbrt/code_page.hpp"

#include <gtest/gtest.h>

namespace {

TEST(CodePage, EveryTableRoundTripsThroughUtf8) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  for (int number : {1250, 1251, 1252}) {
    const vb::CodePage* page = vb::CodePage::Find(number);
    ASSERT_NE(page, nullptr) << number;
    EXPECT_EQ(page->FromUtf8(page->ToUtf8(all)), all) << number;
  }
  EXPECT_EQ(vb::CodePage::Find(65001), nullptr);

  const vb::CodePage& latin = *vb::CodePage::Find(1252);
  const vb::CodePage& cyrillic = *vb::CodePage::Find(1251);
  EXPECT_EQ(latin.ToUtf8("Gr\xF6\xDF"
                         "e \x96 \x80"),
            "Größe – €");
  EXPECT_EQ(cyrillic.ToUtf8("\xD2\xE5\xF1\xF2 \xB9"), "Тест №");
  EXPECT_EQ(cyrillic.FromUtf8("Тест Проект"), "\xD2\xE5\xF1\xF2 \xCF\xF0\xEE\xE5\xEA\xF2");
  // What a code page cannot hold, and what is not UTF-8, is no text of it.
  EXPECT_EQ(latin.FromUtf8("Тест"), std::nullopt);
  EXPECT_EQ(cyrillic.FromUtf8("Größe"), std::nullopt);
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

}  // namespace
