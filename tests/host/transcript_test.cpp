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

}  // namespace
