#include <gtest/gtest.h>

#include "addin/engine/frm_dde.hpp"
#include "tests/addin/module_fixture.hpp"

namespace {

using testing_support::ModuleFixture;

// The links as start-up leaves them.
void LinkAsStartUpDoes(norb::MainModule& m) {
  m.frmDDE->Text1.SetLinkTopic("WNORB16|frmMain");
  m.frmDDE->Text1.SetLinkMode(2);
  m.frmDDE->Text2.SetLinkTopic("WNORB16|frmCmd");
  m.frmDDE->Text2.SetLinkItem("txtStatus");
  m.frmDDE->Text2.SetLinkMode(1);
}

struct LockStatusTest : ::testing::Test {
  void SetUp() override { LinkAsStartUpDoes(*fx.m); }
  // Each question about a file of its own, so each has its own reply rule.
  norb::LockState Ask(std::vector<std::string> replies) {
    std::string file = "C:\\PROJ\\FORM" + std::to_string(++asked) + ".FRM";
    fx.fake.engine.Reply("T " + file, std::move(replies));
    return fx.m->LockStatus(file);
  }
  int asked = 0;
  ModuleFixture fx;
};

TEST_F(LockStatusTest, PhrasesInAnyCaseWithTheLastTestWinning) {
  EXPECT_EQ(Ask({"C:\\PROJ\\FORM1.FRM Is Not CHECKED out\r\n"}), norb::NotCheckedOut);
  EXPECT_EQ(Ask({"form1.frm is checked out to YOU\r\n"}), norb::CheckedOutToYou);
  EXPECT_EQ(Ask({"form1.frm is checked out to someone else\r\nholder..."}), norb::CheckedOutToOther);
  EXPECT_EQ(Ask({"form1.frm: no lock file\r\n"}), norb::NoLockFile);
  EXPECT_EQ(Ask({"the engine said something else"}), norb::NoLockFile);
  EXPECT_EQ(Ask({"is checked out to you, but NO LOCK FILE"}), norb::NoLockFile);
  EXPECT_EQ(fx.fake.engine.Executes().size(), 6u);
  EXPECT_EQ(fx.fake.engine.Executes()[0], (dde::ExecuteRecord{"frmMain", "T C:\\PROJ\\FORM1.FRM"}));
}

TEST_F(LockStatusTest, AnEmptyReplyAsksAgainAndAnEngineThatNeverAnswersIsBounded) {
  EXPECT_EQ(Ask({"   ", "FORM1.FRM is checked out to you\r\n"}), norb::CheckedOutToYou);
  EXPECT_EQ(fx.fake.engine.Executes().size(), 2u);

  ModuleFixture silent;
  LinkAsStartUpDoes(*silent.m);
  silent.fake.engine.Reply("T ", {""});
  EXPECT_EQ(silent.m->LockStatus("C:\\A.BAS"), norb::NoLockFile);
  EXPECT_EQ(silent.fake.engine.Executes().size(), 10u);
  EXPECT_TRUE(silent.fake.desktop.boxes().empty());
}

TEST_F(LockStatusTest, AFailingLinkShowsTheBareDescriptionAndAnswersNoLockFile) {
  fx.fake.engine.Refuse("T ");
  fx.fake.desktop.QueueAnswer(platform::vbOK);
  EXPECT_EQ(fx.m->LockStatus("C:\\A.BAS"), norb::NoLockFile);
  ASSERT_EQ(fx.fake.desktop.boxes().size(), 1u);
  // A system-modal OK-only box without a title.
  EXPECT_EQ(
      fx.fake.desktop.boxes()[0],
      (fakes::MsgBoxShown{"Foreign application won't perform DDE method or operation", 4096, std::nullopt}));
}

}  // namespace
