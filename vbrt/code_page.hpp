// The ANSI code page: the add-in's and the engine's text is in it, as VB5's was on Windows,
// while everything outside (POSIX names, D-Bus strings, scenario files, transcripts, terminals)
// is UTF-8. One table per code page converts between the two and gives VB's upper and lower
// case. The process has one active code page, from NORB_CODEPAGE (1252 when unset).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vb {

class CodePage {
 public:
  // The code page numbered `number` (1250, 1251, 1252); nullptr when there is no table for it.
  static const CodePage* Find(int number);

  int number() const { return number_; }

  // Every byte has a character; the few bytes a code page leaves undefined stand for the C1
  // control of their number, as Windows maps them.
  std::string ToUtf8(std::string_view text) const;
  // nullopt when `text` is not UTF-8 or holds a character this code page lacks.
  std::optional<std::string> FromUtf8(std::string_view text) const;
  // Characters this code page lacks become "?"; bytes that are not UTF-8 are taken as they are.
  std::string FromUtf8Lossy(std::string_view text) const;

  // VB's UCase and LCase of one character: the Unicode case partner when this code page has it.
  char Upper(char c) const { return static_cast<char>(upper_[static_cast<unsigned char>(c)]); }
  char Lower(char c) const { return static_cast<char>(lower_[static_cast<unsigned char>(c)]); }

  CodePage(int number, const char32_t (&high)[128]);

 private:
  // The byte of `c`; -1 when this code page lacks it.
  int ByteOf(char32_t c) const;

  int number_;
  const char32_t* high_;  // characters of the bytes 0x80..0xFF
  unsigned char upper_[256];
  unsigned char lower_[256];
};

// The process's code page: NORB_CODEPAGE, read at first use; 1252 when it is unset or empty.
// Programs refuse to start when it names no table (CodePageSettingProblem).
const CodePage& ActiveCodePage();
// Makes `number` the process's code page; false, and nothing changed, when there is no table.
bool SetActiveCodePage(int number);
// "" when NORB_CODEPAGE is unset, empty or names a code page with a table; else what is wrong.
std::string CodePageSettingProblem();

// Unicode's simple case mapping, for the scripts the tables hold (Latin, Cyrillic); any other
// character is its own partner.
char32_t UnicodeUpper(char32_t c);
char32_t UnicodeLower(char32_t c);

// Whether `text` is UTF-8 (no overlong forms, no surrogates).
bool IsUtf8(std::string_view text);

// UTF-8 text compared as Windows compares file names: each character by its upper case.
// Text that is not UTF-8 compares by bytes, ASCII case aside.
bool Utf8EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace vb
