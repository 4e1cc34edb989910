#include "tests/fakes/fake_dde_links.hpp"

#include <gtest/gtest.h>

#include "tests/fakes_selftest/test_form.hpp"
#include "vbrt/error.hpp"

namespace {

using fakes::LinkExecuted;
using fakes::LinkModeWrite;
using fakes_selftest::TestProcess;

int ErrorOf(const std::function<void()>& statement) {
  try {
    statement();
  } catch (const vb::Error& e) {
    return e.number();
  }
  return 0;
}

TEST(FakeDdeLinks, LinkErrorsCarryVbNumbersAndAreRecorded) {
  TestProcess p;
  auto& txt = p.frmTest->txtStatus;
  p.fake.dde.server_present = false;
  txt.SetLinkTopic("WNORB16|frmCmd");
  txt.SetLinkItem("txtStatus");

  EXPECT_EQ(ErrorOf([&] { txt.LinkExecute("HELLO"); }), 293);
  EXPECT_EQ(ErrorOf([&] { txt.SetLinkMode(1); }), 282);
  EXPECT_EQ(txt.LinkMode(), 0);
  txt.SetLinkMode(0);

  p.fake.dde.server_present = true;
  txt.SetLinkTopic("OTHER|frmCmd");
  EXPECT_EQ(ErrorOf([&] { txt.SetLinkMode(2); }), 282);
  txt.SetLinkTopic("WNORB16|frmCmd");
  txt.SetLinkMode(2);
  EXPECT_EQ(txt.LinkMode(), 2);

  EXPECT_EQ(p.fake.dde.mode_writes(), (std::vector<LinkModeWrite>{
                                          {"frmTest", "txtStatus", "WNORB16|frmCmd", "txtStatus", 1, false},
                                          {"frmTest", "txtStatus", "WNORB16|frmCmd", "txtStatus", 0, true},
                                          {"frmTest", "txtStatus", "OTHER|frmCmd", "txtStatus", 2, false},
                                          {"frmTest", "txtStatus", "WNORB16|frmCmd", "txtStatus", 2, true},
                                      }));
  EXPECT_EQ(p.fake.dde.executes(), (std::vector<LinkExecuted>{{"WNORB16|frmCmd", "HELLO", false}}));
}

TEST(FakeDdeLinks, RepliesFollowTheFirstMatchingRuleAndShowThroughAnAutomaticLink) {
  TestProcess p;
  auto& dde = p.fake.dde;
  dde.Reply("CHECKOUT", {"Checking out", "Checked out"});
  dde.Reply("CHECK", {"Generic"});
  dde.RefuseCommands("DELETE");
  dde.SetStatus("Idle");

  auto& cmd = p.frmTest->txtStatus;
  cmd.SetLinkTopic("WNORB16|frmCmd");
  cmd.SetLinkItem("txtStatus");
  cmd.SetLinkMode(1);
  EXPECT_EQ(cmd.Text(), "Idle");

  cmd.LinkExecute("CHECKOUT A.FRM");
  EXPECT_EQ(cmd.Text(), "Checking out");
  cmd.LinkExecute("CHECKOUT B.FRM");
  EXPECT_EQ(cmd.Text(), "Checked out");
  cmd.LinkExecute("CHECKOUT C.FRM");
  EXPECT_EQ(cmd.Text(), "Checked out");
  cmd.LinkExecute("CHECKIN A.FRM");
  EXPECT_EQ(cmd.Text(), "Generic");
  cmd.LinkExecute("checkout lower case matches nothing");
  EXPECT_EQ(cmd.Text(), "Generic");
  EXPECT_EQ(ErrorOf([&] { cmd.LinkExecute("DELETE A.FRM"); }), 285);
  EXPECT_EQ(cmd.Text(), "Generic");

  EXPECT_EQ(dde.Commands(),
            (std::vector<std::string>{"CHECKOUT A.FRM", "CHECKOUT B.FRM", "CHECKOUT C.FRM", "CHECKIN A.FRM",
                                      "checkout lower case matches nothing"}));
  EXPECT_FALSE(dde.executes().back().ok);

  // A manual link shows nothing of the item: the box keeps its own text.
  cmd.SetLinkMode(0);
  cmd.SetText("own");
  cmd.SetLinkMode(2);
  EXPECT_EQ(cmd.Text(), "own");
}

}  // namespace
