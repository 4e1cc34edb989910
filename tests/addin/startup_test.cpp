// The sinks' connections through start-up, re-link and shutdown, a launch that fails, and the
// progress window's life, on the IDE fakes.
#include <gtest/gtest.h>

#include "addin/history/frm_splash.hpp"
#include "addin/shell/nvb5_version_control.hpp"
#include "tests/addin/module_fixture.hpp"
#include "tests/fakes/fake_ide.hpp"
#include "vbrt/process.hpp"

namespace {

using fakes::Connection;

struct StartupSinks : ::testing::Test {
  void SetUp() override {
    fake.dde.Reply("G2LOCKING", {"N"});
    fake.files.AddFile("C:\\VB\\WNORB16.EXE");
    fake.win32.SetModulePath("C:\\VB\\NORBVB5.EXE");
    a = app->AddProject("ProjectA", "");
  }
  fakes::FakeServices fake;
  std::shared_ptr<fakes::FakeApplication> app = std::make_shared<fakes::FakeApplication>();
  std::shared_ptr<fakes::FakeProject> a;
  vb::Process<norb::MainModule> process{norb::StartProcess(fake.services(), "C:\\VB")};
  std::shared_ptr<norb::nvb5VersionControl> connect = process.state()->CreateConnectClass();
};

TEST_F(StartupSinks, RelinkConnectsTheNewProjectEvenWhenTheOldOneIsGone) {
  ASSERT_TRUE(process.Call([&] { connect->ConnectAddIn(app); }));
  auto b = app->AddProject("ProjectB", "");  // the old project is gone; B is active
  ASSERT_TRUE(process.Call([&] { process.state()->rcnct(); }));

  EXPECT_EQ(app->journal().connections,
            (std::vector<Connection>{{"file control", 1, true}, {"project ProjectA", 2, true}, {"project ProjectB", 3, true}}));
  EXPECT_EQ(connect->FileEventID, 1);
  EXPECT_EQ(process.state()->gProjEventID, 3);
  fake.ui.QueueModal("frmExtract", fakes::Press("cmdCancel"));
  EXPECT_EQ(b->RaiseCheckOut(), 1);
  EXPECT_TRUE(fake.desktop.boxes().empty());  // the failed disconnect was silent
}

TEST_F(StartupSinks, DisconnectUnhooksBothSinksAndNothingRunsAfterCloseDown) {
  ASSERT_TRUE(process.Call([&] { connect->ConnectAddIn(app); }));
  std::weak_ptr<norb::nvb5VersionControl> weak_connect = connect;
  connect.reset();
  EXPECT_FALSE(process.Call([&] { weak_connect.lock()->DisconnectAddIn(0); }));
  EXPECT_EQ(app->journal().connections,
            (std::vector<Connection>{{"file control", 1, true},
                                     {"project ProjectA", 2, true},
                                     {"project ProjectA", 2, false},
                                     {"file control", 1, false}}));
  EXPECT_FALSE(process.alive());
  EXPECT_TRUE(weak_connect.expired());

  // Even sinks the IDE still holds (a shutdown through a failed launch does not unhook them)
  // are dead once the add-in has ended.
  fakes::FakeServices fake2;
  fake2.dde.Reply("G2LOCKING", {"N"});
  fake2.files.AddFile("C:\\VB\\WNORB16.EXE");
  fake2.shell.SetFailing(true);
  fake2.win32.SetModulePath("C:\\VB\\NORBVB5.EXE");
  fake2.desktop.QueueAnswer(platform::vbOK);
  auto app2 = std::make_shared<fakes::FakeApplication>();
  auto p2 = app2->AddProject("P", "");
  vb::Process<norb::MainModule> second{norb::StartProcess(fake2.services(), "C:\\VB")};
  auto c2 = second.state()->CreateConnectClass();
  EXPECT_FALSE(second.Call([&] { c2->ConnectAddIn(app2); }));
  ASSERT_EQ(fake2.desktop.boxes().size(), 1u);
  EXPECT_EQ(fake2.desktop.boxes()[0].prompt, "startNORB -- File not found");
  EXPECT_EQ(fake2.desktop.boxes()[0].style, 4096);
  EXPECT_EQ(p2->connected(), 1u);
  EXPECT_EQ(p2->RaiseCheckOut(), 0);
}

TEST_F(StartupSinks, RunNorbThatCannotLaunchReportsAndClosesDown) {
  ASSERT_TRUE(process.Call([&] { connect->ConnectAddIn(app); }));
  fake.shell.SetFailing(true);
  fake.desktop.QueueAnswer(platform::vbOK);
  EXPECT_FALSE(process.Call([&] {
    bool handled = false, cancel = false;
    connect->cbcRunNORBhandler_Click(nullptr, handled, cancel);
  }));
  EXPECT_EQ(fake.shell.launches().back(), (fakes::Launch{"C:\\VB\\WNORB16", 1, false}));
  ASSERT_EQ(fake.desktop.boxes().size(), 1u);
  EXPECT_EQ(fake.desktop.boxes()[0].prompt, "startNORB -- File not found");
  EXPECT_EQ(fake.desktop.boxes()[0].style, 4096);
  EXPECT_FALSE(process.alive());
}

TEST(ProgressWindow, ALaterReferenceLoadsItAnewWithItsDesignTimeTexts) {
  addin_test::ModuleFixture fx;
  fx.m->frmSplash->lblCap.SetCaption("Ready...");
  fx.m->frmSplash->ProgressBar1.SetMax(2);
  fx.m->frmSplash.Unload();
  EXPECT_EQ(fx.m->frmSplash->lblCap.Caption(), "Loading...");
  EXPECT_EQ(fx.m->frmSplash->ProgressBar1.Max(), 100);
  EXPECT_EQ(fx.m->frmSplash->lblVersion.Caption().substr(0, 1), "v");
}

}  // namespace
