#include "vbrt/strings.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

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
      {std::to_string(vb::InStrRev("abc", "\\")), "0"},
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
  // A character of four bytes is one character all the same: one "?".
  EXPECT_EQ(latin.FromUtf8Lossy("Тест😀.bas \xFF"), "?????.bas \xFF");
}

TEST(CodePage, FileNamesCompareAsWindowsComparesThem) {
  EXPECT_TRUE(vb::Utf8EqualsIgnoringCase("größe.BAS", "Größe.bas"));
  EXPECT_TRUE(vb::Utf8EqualsIgnoringCase("тест проект", "ТЕСТ ПРОЕКТ"));
  EXPECT_FALSE(vb::Utf8EqualsIgnoringCase("Grösse.bas", "Größe.bas"));
  EXPECT_FALSE(vb::Utf8EqualsIgnoringCase("Größe.bas", "Größe.bas2"));
  EXPECT_TRUE(vb::Utf8EqualsIgnoringCase("a\xFF", "A\xFF"));  // not UTF-8: bytes, ASCII case aside
  EXPECT_FALSE(vb::Utf8EqualsIgnoringCase("\xE9", "\xC9"));
}

// NORB_CODEPAGE set (null: unset) case by case, and put back after; on Windows too, where an
// empty value unsets it.
TEST(CodePage, ASettingThatNamesNoTableIsRefusedByName) {
  ASSERT_EQ(vb::ActiveCodePage().number(), 1252);  // read before the variable changes below
  auto set = [](const char* value) {
#ifdef _WIN32
    _putenv_s("NORB_CODEPAGE", value != nullptr ? value : "");
#else
    value != nullptr ? setenv("NORB_CODEPAGE", value, 1) : unsetenv("NORB_CODEPAGE");
#endif
  };
  const char* set_before = std::getenv("NORB_CODEPAGE");
  const std::optional<std::string> before =
      set_before ? std::optional<std::string>(set_before) : std::nullopt;
  const std::string refused = " names no code page this program has (1250, 1251, 1252)";
  const std::pair<const char*, std::string> cases[] = {
      {nullptr, ""},
      {"", ""},
      {"1251", ""},
      {"65001", "NORB_CODEPAGE=65001" + refused},
      {"1252 ", "NORB_CODEPAGE=1252 " + refused},
      {"001251", "NORB_CODEPAGE=001251" + refused},
  };
  for (const auto& [value, problem] : cases) {
    set(value);
    EXPECT_EQ(vb::CodePageSettingProblem(), problem) << (value ? value : "unset");
  }
  set(before ? before->c_str() : nullptr);
}

// Every number the add-in can meet, with VB5's own text: a user reads these in message boxes
// and the engine's log, so each is compared whole.
TEST(Errors, NumbersCarryVbDescriptions) {
  const std::pair<int, std::string> texts[] = {
      {3, "Return without GoSub"},
      {5, "Invalid procedure call or argument"},
      {6, "Overflow"},
      {7, "Out of memory"},
      {9, "Subscript out of range"},
      {11, "Division by zero"},
      {13, "Type mismatch"},
      {28, "Out of stack space"},
      {35, "Sub or Function not defined"},
      {48, "Error in loading DLL"},
      {51, "Internal error"},
      {52, "Bad file name or number"},
      {53, "File not found"},
      {54, "Bad file mode"},
      {55, "File already open"},
      {57, "Device I/O error"},
      {58, "File already exists"},
      {61, "Disk full"},
      {62, "Input past end of file"},
      {67, "Too many files"},
      {68, "Device unavailable"},
      {70, "Permission denied"},
      {71, "Disk not ready"},
      {75, "Path/File access error"},
      {76, "Path not found"},
      {91, "Object variable or With block variable not set"},
      {92, "For loop not initialized"},
      {94, "Invalid use of Null"},
      {282, "No foreign application responded to a DDE initiate"},
      {283, "More than one application responded to a DDE initiate"},
      {284, "DDE channel locked"},
      {285, "Foreign application won't perform DDE method or operation"},
      {286, "Timeout while waiting for DDE response"},
      {287, "User pressed Escape key during DDE operation"},
      {288, "Destination is busy"},
      {289, "Data not provided in DDE operation"},
      {290, "Data in wrong format"},
      {291, "Foreign application quit"},
      {292, "DDE conversation closed or changed"},
      {293, "DDE method invoked with no channel open"},
      {294, "Invalid DDE Link format"},
      {295, "Message queue filled; DDE message lost"},
      {296, "PasteLink already performed on this control"},
      {297, "Can't set LinkMode; invalid LinkTopic"},
      {298, "System DLL could not be loaded"},
      {340, "Control array element does not exist"},
      {343, "Object not an array"},
      {360, "Object already loaded"},
      {364, "Object was unloaded"},
      {380, "Invalid property value"},
      {381, "Invalid property array index"},
      {383, "Property is read-only"},
      {400, "Form already displayed; can't show modally"},
      {401, "Can't show non-modal form when modal form is displayed"},
      {424, "Object required"},
      {429, "ActiveX component can't create object"},
      {438, "Object doesn't support this property or method"},
      {440, "Automation error"},
      {450, "Wrong number of arguments or invalid property assignment"},
      {481, "Invalid picture"},
      {521, "Can't open Clipboard"},
      {35600, "Index out of bounds"},
      {35601, "Element not found"},
      // Numbers VB has no text of its own for.
      {0, "Application-defined or object-defined error"},
      {4, "Application-defined or object-defined error"},
      {1000, "Application-defined or object-defined error"},
  };
  for (const auto& [number, text] : texts) {
    vb::Error e(number);
    EXPECT_EQ(std::make_pair(e.number(), e.description()), std::make_pair(number, text));
    EXPECT_EQ(e.what(), text) << number;
  }
  EXPECT_EQ(vb::Error(1000, "own text").description(), "own text");
}

}  // namespace
