#include "host/transcript.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "vbrt/code_page.hpp"

namespace {

using Json = nlohmann::ordered_json;

Json Utf8(const Json& j) {
  if (j.is_string()) return vb::ActiveCodePage().ToUtf8(j.get_ref<const std::string&>());
  Json out = j.is_object() ? Json::object() : j.is_array() ? Json::array() : j;
  if (j.is_object()) {
    for (auto it = j.begin(); it != j.end(); ++it)
      out[vb::ActiveCodePage().ToUtf8(it.key())] = Utf8(it.value());
  } else if (j.is_array()) {
    for (const auto& e : j) out.push_back(Utf8(e));
  }
  return out;
}

// The transcript is written piece by piece; each line must be what the JSON library would dump
// for the event in UTF-8: every byte of the code page, every escape, every kind of value.
TEST(Transcript, WritesEachEventAsTheLibraryDumpsItsUtf8Form) {
  std::string every_byte;
  for (int b = 1; b < 256; ++b) every_byte += static_cast<char>(b);
  Json event{{"event", "t\xE9st"},
             {"text", every_byte},
             {"nul", std::string("a\0b", 3)},
             {"numbers", Json::array({0, -285, 4294967296LL, 0.5, 1.0e-7, 7u})},
             {"flags", Json::array({true, false, nullptr})},
             {"nested", {{"k\xFC", Json::object()}, {"e", Json::array()}, {"s", ""}}}};
  std::ostringstream out;
  vbhost::Transcript transcript(out);
  transcript.Emit(event);
  transcript.Emit(Json::object());
  EXPECT_EQ(out.str(), Utf8(event).dump() + "\n{}\n");
}

// The states table is built without the ordered map's search per member (a "show states" of
// 100,000 components took a minute): the same object all the same, a name given twice keeping
// its first place and its last value.
TEST(Transcript, AnObjectBuiltMemberByMemberIsWhatOperatorBracketsBuild) {
  const std::pair<std::string, Json> members[] = {{"frmMain", 1}, {"modUtil", 0}, {"FRMMAIN", 2},
                                                  {"frmMain", 3}, {"", "x"},      {"modUtil", Json::array()}};
  Json expected = Json::object();
  vbhost::ObjectBuilder built;
  for (const auto& [key, value] : members) {
    expected[key] = value;
    built.Set(key, value);
  }
  EXPECT_EQ(built.Take().dump(), expected.dump());
}

}  // namespace
