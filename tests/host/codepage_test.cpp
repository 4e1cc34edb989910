#include "host/codepage.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "host/transcript.hpp"

namespace {

TEST(Codepage, Windows1252RoundTripsThroughUtf8) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_EQ(vbhost::Utf8ToCp1252(vbhost::Cp1252ToUtf8(all)), all);
  EXPECT_EQ(vbhost::Cp1252ToUtf8("\x96 \xE9\x80"), "\xE2\x80\x93 \xC3\xA9\xE2\x82\xAC");  // – é €
  EXPECT_EQ(vbhost::Utf8ToCp1252("\xE4\xB8\xAD"), "?");  // not representable
  EXPECT_EQ(vbhost::Utf8ToCp1252("\xFF"), "\xFF");       // not UTF-8: taken as it is
}

TEST(Transcript, OneUtf8ObjectPerLineWithTheEventFirst) {
  std::ostringstream out;
  vbhost::Transcript t(out);
  t.Emit({{"event", "caption"}, {"form", "frmSplash"}, {"text", "Entr\xE9" "es\r\n"}});
  t.Emit({{"event", "states"}, {"show", true}, {"components", {{"Notes \x96 1.txt", 3}}}});
  EXPECT_EQ(out.str(),
            "{\"event\":\"caption\",\"form\":\"frmSplash\",\"text\":\"Entr\xC3\xA9" "es\\r\\n\"}\n"
            "{\"event\":\"states\",\"show\":true,\"components\":{\"Notes \xE2\x80\x93 1.txt\":3}}\n");
}

}  // namespace
