#include "host/json_writer.hpp"

#include <algorithm>
#include <charconv>

#include <nlohmann/json.hpp>

#include "vbrt/code_page.hpp"

namespace vbhost {

namespace {
// Big enough that a line of ordinary events goes out in one piece, small enough that a long
// dialog line never sits whole in memory.
constexpr std::size_t kSpillAt = 1 << 16;

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}
}  // namespace

void JsonWriter::Separate() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (!first_) text_ += ',';
  first_ = false;
}

void JsonWriter::Open(char bracket) {
  Separate();
  text_ += bracket;
  first_ = true;
}

void JsonWriter::Close(char bracket) {
  text_ += bracket;
  first_ = false;
  if (text_.size() >= kSpillAt) Spill();
}

// The escapes nlohmann's dump() uses for UTF-8 text (ensure_ascii off): the short forms, else
// \u00xx for the other control characters; everything else as it is.
void JsonWriter::Escaped(std::string_view utf8) {
  text_ += '"';
  for (char c : utf8) {
    switch (c) {
      case '\b':
        text_ += "\\b";
        break;
      case '\t':
        text_ += "\\t";
        break;
      case '\n':
        text_ += "\\n";
        break;
      case '\f':
        text_ += "\\f";
        break;
      case '\r':
        text_ += "\\r";
        break;
      case '"':
        text_ += "\\\"";
        break;
      case '\\':
        text_ += "\\\\";
        break;
      default:
        if (static_cast<unsigned char>(c) <= 0x1F) {
          static constexpr char kHex[] = "0123456789abcdef";
          text_ += "\\u00";
          text_ += kHex[(c >> 4) & 0xF];
          text_ += kHex[c & 0xF];
        } else {
          text_ += c;
        }
    }
  }
  text_ += '"';
}

void JsonWriter::Key(std::string_view text) {
  String(text);
  text_ += ':';
  after_key_ = true;
}

void JsonWriter::String(std::string_view text) {
  Separate();
  if (IsAscii(text)) {
    Escaped(text);
  } else {
    Escaped(vb::ActiveCodePage().ToUtf8(text));
  }
}

void JsonWriter::Integer(long long value) {
  Separate();
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  text_.append(digits, end);
}

void JsonWriter::Boolean(bool value) {
  Separate();
  text_ += value ? "true" : "false";
}

void JsonWriter::Null() {
  Separate();
  text_ += "null";
}

void JsonWriter::Real(double value) {
  Separate();
  text_ += nlohmann::json(value).dump();
}

void JsonWriter::EndLine() {
  text_ += '\n';
  Spill();
  first_ = true;
  after_key_ = false;
}

void JsonWriter::Spill() {
  out_.write(text_.data(), static_cast<std::streamsize>(text_.size()));
  text_.clear();
}

}  // namespace vbhost
