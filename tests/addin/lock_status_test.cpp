#include <gtest/gtest.h>

#include "addin/engine/frm_dde.hpp"
#include "tests/addin/module_fixture.hpp"

namespace {

using testing_support::ModuleFixture;

// Phrases in any case, the last test winning; an empty reply asks again, up to ten times.
TEST(LockStatus, PhrasesInAnyCaseWithTheLastTestWinningAndAnEngineThatNeverAnswersIsBounded) {
  ModuleFixture fx;
  // The links as start-up leaves them.
  fx.m->frmDDE->Text1.SetLinkTopic("WNORB16|frmMain");
  fx.m->frmDDE->Text1.SetLinkMode(2);
  fx.m->frmDDE->Text2.SetLinkTopic("WNORB16|frmCmd");
  fx.m->frmDDE->Text2.SetLinkItem("txtStatus");
  fx.m->frmDDE->Text2.SetLinkMode(1);
  struct Case {
    std::vector<std::string> replies;
    norb::LockState state;
  };
  int asked = 0;
  for (const Case& c :
       {Case{{"C:\\PROJ\\FORM1.FRM Is Not CHECKED out\r\n"}, norb::NotCheckedOut},
        Case{{"form1.frm is checked out to YOU\r\n"}, norb::CheckedOutToYou},
        Case{{"form1.frm is checked out to someone else\r\nholder..."}, norb::CheckedOutToOther},
        // The Subversion store's lost lock: its words after the phrase never read as another state.
        Case{{"FORM1.FRM is not checked out: your lock was broken in the repository; Reserve Lock (ER) takes "
              "it "
              "again, the work file as it is\r\n"},
             norb::NotCheckedOut},
        Case{{"FORM1.FRM is checked out to someone else: your lock was taken over by bob; once bob releases "
              "it, "
              "Reserve Lock (ER) takes it again, the work file as it is\r\n  Locked by ..."},
             norb::CheckedOutToOther},
        Case{{"form1.frm: no lock file\r\n"}, norb::NoLockFile},
        Case{{"the engine said something else"}, norb::NoLockFile},
        Case{{"is checked out to you, but NO LOCK FILE"}, norb::NoLockFile},
        Case{{"   ", "FORM1.FRM is checked out to you\r\n"}, norb::CheckedOutToYou},
        Case{{""}, norb::NoLockFile}}) {
    // Each question about a file of its own, so each has its own reply rule.
    const std::string file = "C:\\PROJ\\FORM" + std::to_string(++asked) + ".FRM";
    fx.fake.engine.Reply("T " + file, c.replies);
    EXPECT_EQ(fx.m->LockStatus(file), c.state) << c.replies[0];
  }
  EXPECT_EQ(fx.fake.engine.Executes().size(), 8u + 2u + 10u);
  EXPECT_EQ(fx.fake.engine.Executes()[0], (dde::ExecuteRecord{"frmMain", "T C:\\PROJ\\FORM1.FRM"}));
  EXPECT_TRUE(fx.fake.desktop.boxes().empty());

  // A failing link shows the bare description in a system-modal OK-only box without a title.
  fx.fake.engine.Refuse("T ");
  fx.fake.desktop.QueueAnswer(platform::vbOK);
  EXPECT_EQ(fx.m->LockStatus("C:\\A.BAS"), norb::NoLockFile);
  EXPECT_EQ(fx.fake.desktop.boxes(),
            (std::vector<fakes::MsgBoxShown>{
                {"Foreign application won't perform DDE method or operation", 4096, std::nullopt}}));
}

}  // namespace
