// The [Limits] of WNORB.INI, and an answer cut to what the link carries.
#include <gtest/gtest.h>

#include <string>

#include "wnorb16/link_limits.hpp"

namespace {

using namespace wnorb16;

// A setting only lowers its bound; a number that is not one, or is larger, keeps the default,
// and the bytes a client may leave unread always hold two whole answers.
TEST(LinkLimits, SettingsOnlyLowerTheBoundsAndUnreadHoldsTwoAnswers) {
  const LinkLimits defaults = ParseLinkLimits("");
  EXPECT_EQ(defaults.answer, std::size_t{16} << 20);
  EXPECT_EQ(defaults.server.unread, std::size_t{40} << 20);
  struct Case {
    std::string ini;
    std::size_t answer, unread, message;
    std::size_t per_client;
    int message_ms, reserve;
  };
  const std::size_t mib = 1 << 20;
  for (const Case& c : {
           Case{"[Limits]\nMaxAnswer=99999999999\nDirectPerClient=7\n", 16 * mib, 40 * mib, 4 * mib, 2, 5000,
                64},
           Case{"[Limits]\nMaxAnswer=16k\nMaxMessage=-1\nMessageSeconds=\n", 16 * mib, 40 * mib, 4 * mib, 2,
                5000, 64},
           Case{"[Limits]\nMaxAnswer=10\nMaxUnread=1\nMaxMessage=10\n", 1024, 2 * 1024 + 4096, 1024, 2, 5000,
                64},
           Case{"[Limits]\nMaxAnswer=1048576\nMaxUnread=3000000\nDirectPerClient=1\n", mib, 3000000, 4 * mib,
                1, 5000, 64},
           Case{"[Limits]\nMessageSeconds=0\nDescriptorReserve=200\n", 16 * mib, 40 * mib, 4 * mib, 2, 1000,
                200},
           Case{"[Engine]\nMaxAnswer=1024\n", 16 * mib, 40 * mib, 4 * mib, 2, 5000, 64},
       }) {
    const LinkLimits got = ParseLinkLimits(c.ini);
    EXPECT_EQ(got.answer, c.answer) << c.ini;
    EXPECT_EQ(got.server.unread, c.unread) << c.ini;
    EXPECT_EQ(got.server.message, c.message) << c.ini;
    EXPECT_EQ(got.server.direct_per_client, c.per_client) << c.ini;
    EXPECT_EQ(got.server.message_ms, c.message_ms) << c.ini;
    EXPECT_EQ(got.server.descriptor_reserve, c.reserve) << c.ini;
  }
}

// A cut answer ends in whole characters and a line end before the line that says so: the bus
// carries no broken UTF-8, and the add-in reads lines.
TEST(LinkLimits, AnAnswerIsCutBetweenCharactersAndSaysSo) {
  const std::string said =
      "ANSWER CUT: it is 2,005 bytes long; the link carries at most 1,024. The whole answer is in "
      "WNORB.LOG.\r\n";
  std::string line;
  for (int i = 0; i < 1000; ++i) line += "\xC3\xA9";  // é, two bytes each
  const std::string cut = CutAnswer("A\r\n" + line + "\r\n", 1024, true);
  EXPECT_LE(cut.size(), 1024u);
  ASSERT_TRUE(cut.ends_with("\r\n" + said)) << cut;
  const std::string kept = cut.substr(0, cut.size() - said.size() - 2);
  EXPECT_TRUE(("A\r\n" + line).starts_with(kept));
  EXPECT_EQ((kept.size() - 3) % 2, 0u) << "a character was cut in two";
  EXPECT_GT(kept.size(), 800u);
  // Whole lines are kept when the last of them ends past half the room; no log, no word of it.
  std::string lines;
  for (int i = 0; i < 300; ++i) lines += "line " + std::to_string(i) + "\r\n";
  const std::string whole = CutAnswer(lines, 1024, false);
  EXPECT_TRUE(whole.ends_with("\r\nANSWER CUT: it is 2,890 bytes long; the link carries at most 1,024.\r\n"))
      << whole;
  EXPECT_TRUE(lines.starts_with(whole.substr(0, whole.find("ANSWER"))));
  EXPECT_EQ(CutAnswer(lines.substr(0, 1024), 1024, true), lines.substr(0, 1024));
}

}  // namespace
