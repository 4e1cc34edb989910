// Compact JSON written piece by piece, byte for byte as nlohmann's dump() writes the same tree,
// with the add-in's code-page text turned into UTF-8 on the way. An event is never copied to be
// written, and a dialog's list of any length is written row by row from the list itself.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

namespace vbhost {

class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}

  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }
  // Strings and keys are code-page text.
  void Key(std::string_view text);
  void String(std::string_view text);
  void Integer(long long value);
  void Boolean(bool value);
  void Null();
  // A number with a fraction, in the library's own shortest digits.
  void Real(double value);
  // Ends the line and hands it to the stream; until then (or until a long line fills the
  // buffer) nothing reaches the stream.
  void EndLine();

 private:
  void Separate();
  void Open(char bracket);
  void Close(char bracket);
  void Escaped(std::string_view utf8);
  void Spill();

  std::ostream& out_;
  std::string text_;  // written, not yet handed to the stream
  bool first_ = true;
  bool after_key_ = false;
};

}  // namespace vbhost
