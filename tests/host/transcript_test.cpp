#include "host/transcript.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(Transcript, OneUtf8ObjectPerLineWithTheEventFirst) {
  std::ostringstream out;
  vbhost::Transcript t(out);
  t.Emit({{"event", "caption"},
          {"form", "frmSplash"},
          {"text",
           "Entr\xE9"
           "es\r\n"}});
  t.Emit({{"event", "states"}, {"show", true}, {"components", {{"Notes \x96 1.txt", 3}}}});
  EXPECT_EQ(out.str(),
            "{\"event\":\"caption\",\"form\":\"frmSplash\",\"text\":\"Entr\xC3\xA9"
            "es\\r\\n\"}\n"
            "{\"event\":\"states\",\"show\":true,\"components\":{\"Notes \xE2\x80\x93 1.txt\":3}}\n");
}

}  // namespace
