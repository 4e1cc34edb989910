// Compact JSON written piece by piece, byte for byte as nlohmann's dump() writes the same tree,
// with the add-in's code-page text turned into UTF-8 on the way. An event is never copied to be
// written, and a dialog's list of any length is written row by row from the list itself.
#pragma once

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace vbhost {

// An object tree built member by member in time linear in its members: ordered_json's own
// insertion searches every member before it, so a table of 100,000 names cost 100,000² steps.
// A key set again keeps its first place and takes the new value, as operator[] would.
class ObjectBuilder {
 public:
  void Set(std::string key, nlohmann::ordered_json value);
  nlohmann::ordered_json Take() { return std::move(object_); }

 private:
  nlohmann::ordered_json object_ = nlohmann::ordered_json::object();
  std::unordered_map<std::string, std::size_t> places_;
};

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
  // A whole tree; its strings and keys are code-page text.
  void Value(const nlohmann::ordered_json& value);
  // An object tree's members, into the object being written.
  void Members(const nlohmann::ordered_json& object);
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
