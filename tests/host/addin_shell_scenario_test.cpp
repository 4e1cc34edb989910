// Self-registration in the IDE's add-in list, vbaddin.ini.
#include <gtest/gtest.h>

#include "tests/host/scenario_fixture.hpp"

namespace {

using testing_support::With;

using Lines = std::vector<std::string>;

using AddinShell = testing_support::ScenarioFixture;

TEST_F(AddinShell, SubMainRegistersOnceAndLeavesAnyOtherValueAloneOrFailsToWrite) {
  // Nothing registered yet: written once, with its message; the next run finds it.
  Lines t = Run("set windir win2\nanswer msgbox OK\naddin main\nshow addins\n");
  EXPECT_EQ(
      With(t, "\"action\":\"write\""),
      Lines{
          R"({"event":"profile","action":"write","file":"vbaddin.ini","section":"Add-Ins32","key":"NORBVB5.nvb5VersionControl","value":"0","ok":true})"});
  EXPECT_EQ(With(t, "\"event\":\"msgbox\""),
            Lines{R"({"event":"msgbox","text":"NORB add-in installed...","style":4096,"answer":"OK"})"});
  EXPECT_EQ(t.back(), R"({"event":"addins","show":true,"entries":{"NORBVB5.nvb5VersionControl":"0"}})");

  // A commented-out entry is no entry.
  for (std::string value : {"NotFound", "", "1"}) {
    const bool rewritten = value == "NotFound";
    tmp.Write("win3/vbaddin.ini", "; the IDE's list\r\n[Add-Ins32]\r\nNORBVB5.nvb5VersionControl=" + value +
                                      "\r\n;Old.Connect=1\r\nOther.Connect=1\r\n");
    t = Run(std::string("set windir win3\n") + (rewritten ? "answer msgbox OK\n" : "") +
            "addin main\nshow addins\n");
    EXPECT_EQ(With(t, "\"action\":\"write\"").size(), rewritten ? 1u : 0u) << value;
    EXPECT_EQ(t.back(), R"({"event":"addins","show":true,"entries":{"NORBVB5.nvb5VersionControl":")" +
                            (rewritten ? "0" : value) + R"(","Other.Connect":"1"}})");
  }

  // A read-only list gives the failure message and changes nothing.
  const std::string ini = tmp.Write("win4/vbaddin.ini", "[Other]\r\nx=1\r\n", 0444);
  t = Run("set windir win4\nanswer msgbox OK\naddin connect\n");
  EXPECT_EQ(
      With(t, "\"event\":\"msgbox\""),
      Lines{
          R"({"event":"msgbox","text":"NORB add-in failed to write vbaddin.ini; is Visual Basic 5.0 properly installed on this machine?","style":4096,"answer":"OK"})"});
  EXPECT_NE(With(t, "\"action\":\"write\"").back().find("\"ok\":false"), std::string::npos);
  EXPECT_EQ(testing_support::Contents(ini), "[Other]\r\nx=1\r\n");
}

}  // namespace
