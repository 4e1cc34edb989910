#include "vbrt/code_page.hpp"

#include <array>
#include <atomic>
#include <cstdlib>

namespace vb {

namespace {

// The characters of the bytes 0x80..0xFF.
constexpr char32_t k1250[128] = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};
constexpr char32_t k1251[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};
constexpr char32_t k1252[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152,
    0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122,
    0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF, 0x00B0, 0x00B1, 0x00B2, 0x00B3,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0,
    0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7, 0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD,
    0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA,
    0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF, 0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4,
    0x00F5, 0x00F6, 0x00F7, 0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

const CodePage kPages[] = {{1250, k1250}, {1251, k1251}, {1252, k1252}};
constexpr int kDefault = 1252;

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The character that starts at `text[i]` and its length; length 0 when the bytes there are not
// UTF-8 (overlong forms and surrogates included).
struct Decoded {
  char32_t c = 0;
  std::size_t length = 0;
};
Decoded DecodeAt(std::string_view text, std::size_t i) {
  auto b = static_cast<unsigned char>(text[i]);
  if (b < 0x80) return {b, 1};
  std::size_t length = (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || i + length > text.size()) return {};
  char32_t c = b & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    auto cont = static_cast<unsigned char>(text[i + k]);
    if ((cont & 0xC0) != 0x80) return {};
    c = (c << 6) | (cont & 0x3F);
  }
  constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kLeast[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {};
  return {c, length};
}

// Pairs of Latin Extended-A and Cyrillic where the upper case comes first at an even (or, in
// the odd ranges, an odd) code point.
bool InEvenPairRange(char32_t c) {
  return (c >= 0x0100 && c <= 0x012F) || (c >= 0x0132 && c <= 0x0137) || (c >= 0x014A && c <= 0x0177) ||
         (c >= 0x0460 && c <= 0x0481) || (c >= 0x048A && c <= 0x04BF);
}
bool InOddPairRange(char32_t c) { return (c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E); }

std::atomic<const CodePage*>& Active() {
  static std::atomic<const CodePage*> active = [] {
    const char* text = std::getenv("NORB_CODEPAGE");
    const CodePage* page = text != nullptr ? CodePage::Find(std::atoi(text)) : nullptr;
    return page != nullptr ? page : CodePage::Find(kDefault);
  }();
  return active;
}

}  // namespace

CodePage::CodePage(int number, const char32_t (&high)[128]) : number_(number), high_(high) {
  for (int b = 0; b < 256; ++b) {
    char32_t c = b < 0x80 ? static_cast<char32_t>(b) : high_[b - 0x80];
    int up = ByteOf(UnicodeUpper(c));
    int low = ByteOf(UnicodeLower(c));
    upper_[b] = static_cast<unsigned char>(up < 0 ? b : up);
    lower_[b] = static_cast<unsigned char>(low < 0 ? b : low);
  }
}

const CodePage* CodePage::Find(int number) {
  for (const auto& page : kPages) {
    if (page.number_ == number) return &page;
  }
  return nullptr;
}

int CodePage::ByteOf(char32_t c) const {
  if (c < 0x80) return static_cast<int>(c);
  for (int i = 0; i < 128; ++i) {
    if (high_[i] == c) return 0x80 + i;
  }
  return -1;
}

std::string CodePage::ToUtf8(std::string_view text) const {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out += ch;
    } else {
      AppendUtf8(out, high_[b - 0x80]);
    }
  }
  return out;
}

std::optional<std::string> CodePage::FromUtf8(std::string_view text) const {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    Decoded d = DecodeAt(text, i);
    int b = d.length == 0 ? -1 : ByteOf(d.c);
    if (b < 0) return std::nullopt;
    out += static_cast<char>(b);
    i += d.length;
  }
  return out;
}

std::string CodePage::FromUtf8Lossy(std::string_view text) const {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    Decoded d = DecodeAt(text, i);
    if (d.length == 0) {
      out += text[i++];
      continue;
    }
    int b = ByteOf(d.c);
    out += b < 0 ? '?' : static_cast<char>(b);
    i += d.length;
  }
  return out;
}

const CodePage& ActiveCodePage() { return *Active().load(); }

bool SetActiveCodePage(int number) {
  const CodePage* page = CodePage::Find(number);
  if (page == nullptr) return false;
  Active().store(page);
  return true;
}

std::string CodePageSettingProblem() {
  const char* text = std::getenv("NORB_CODEPAGE");
  if (text == nullptr || *text == '\0') return "";
  std::string value = text;
  if (value.find_first_not_of("0123456789") == std::string::npos && value.size() <= 5 &&
      CodePage::Find(std::atoi(text)) != nullptr) {
    return "";
  }
  std::string known;
  for (const auto& page : kPages) known += (known.empty() ? "" : ", ") + std::to_string(page.number());
  return "NORB_CODEPAGE=" + value + " names no code page this program has (" + known + ")";
}

char32_t UnicodeUpper(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 0x20;
  if ((c >= 0x00E0 && c <= 0x00FE && c != 0x00F7)) return c - 0x20;
  if (c == 0x00FF) return 0x0178;
  if (InEvenPairRange(c)) return c & ~char32_t{1};
  if (InOddPairRange(c)) return (c & 1) != 0 ? c : c - 1;
  if (c >= 0x0430 && c <= 0x044F) return c - 0x20;
  if (c >= 0x0450 && c <= 0x045F) return c - 0x50;
  return c;
}

char32_t UnicodeLower(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 0x20;
  if ((c >= 0x00C0 && c <= 0x00DE && c != 0x00D7)) return c + 0x20;
  if (c == 0x0178) return 0x00FF;
  if (InEvenPairRange(c)) return c | 1;
  if (InOddPairRange(c)) return (c & 1) != 0 ? c + 1 : c;
  if (c >= 0x0410 && c <= 0x042F) return c + 0x20;
  if (c >= 0x0400 && c <= 0x040F) return c + 0x50;
  return c;
}

bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    Decoded d = DecodeAt(text, i);
    if (d.length == 0) return false;
    i += d.length;
  }
  return true;
}

bool Utf8EqualsIgnoringCase(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    Decoded x = DecodeAt(a, i);
    Decoded y = DecodeAt(b, j);
    if (x.length == 0 || y.length == 0) {
      x = {static_cast<unsigned char>(a[i]), 1};
      y = {static_cast<unsigned char>(b[j]), 1};
      if (x.c >= 0x80 || y.c >= 0x80) {
        if (x.c != y.c) return false;
        ++i, ++j;
        continue;
      }
    }
    if (UnicodeUpper(x.c) != UnicodeUpper(y.c)) return false;
    i += x.length;
    j += y.length;
  }
  return i == a.size() && j == b.size();
}

}  // namespace vb
