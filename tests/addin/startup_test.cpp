// The sinks' connections through start-up, re-link and shutdown, and a launch that fails, on
// vbhost's own model of the IDE; the progress window's life.
#include <gtest/gtest.h>

#include "addin/history/frm_splash.hpp"
#include "addin/shell/nvb5_version_control.hpp"
#include "host/ide_model.hpp"
#include "tests/addin/module_fixture.hpp"
#include "vbrt/process.hpp"

namespace {

// The IDE around the model; these tests look only at the sinks.
struct QuietIde : vbhost::IdeHost {
  void Emit(const nlohmann::ordered_json&) override {}
  void SaveComponentAs(vbhost::HostComponent&, const std::string&) override {}
  void SaveProjectAs(vbhost::HostProject&, const std::string&) override {}
  void ReloadProject(const std::string&, bool) override {}
};

struct Ide {
  std::shared_ptr<vbhost::HostProject> Open() {
    auto p = vbhost::HostProject::NewUnsaved(resolver, host, numbers);
    app->SetActive(p);
    return p;
  }
  QuietIde host;
  vbhost::ConnectionNumbers numbers;
  posix::PathResolver resolver{posix::DriveMap{}};
  std::shared_ptr<vbhost::HostApplication> app = std::make_shared<vbhost::HostApplication>(host, numbers);
};

void Arrange(fakes::FakeServices& fake) {
  fake.engine.Reply("G2LOCKING", {"N"});
  fake.files.AddFile("C:\\VB\\WNORB16.EXE");
  fake.win32.SetModulePath("C:\\VB\\NORBVB5.EXE");
}

struct StartupSinks : ::testing::Test {
  void SetUp() override { Arrange(fake); }
  fakes::FakeServices fake;
  Ide ide;
  std::shared_ptr<vbhost::HostApplication> app = ide.app;
  std::shared_ptr<vbhost::HostProject> a = ide.Open();
  vb::Process<norb::MainModule> process{norb::StartProcess(fake.services(), "C:\\VB")};
  std::shared_ptr<norb::nvb5VersionControl> connect = process.state()->CreateConnectClass();
};

TEST_F(StartupSinks, RelinkConnectsTheNewProjectEvenWhenTheOldOneIsGone) {
  ASSERT_TRUE(process.Call([&] { connect->ConnectAddIn(app); }));
  auto b = ide.Open();  // the old project is gone; B is active
  ASSERT_TRUE(process.Call([&] { process.state()->rcnct(); }));

  EXPECT_EQ(connect->FileEventID, 1);
  EXPECT_EQ(process.state()->gProjEventID, 3);
  EXPECT_EQ(app->file_control().Sinks().size(), 1u);
  EXPECT_EQ(a->Sinks().size(), 1u);
  ASSERT_EQ(b->Sinks().size(), 1u);
  EXPECT_TRUE(fake.desktop.boxes().empty());  // the failed disconnect was silent
}

TEST_F(StartupSinks, DisconnectUnhooksBothSinksAndNothingRunsAfterCloseDown) {
  ASSERT_TRUE(process.Call([&] { connect->ConnectAddIn(app); }));
  std::weak_ptr<norb::nvb5VersionControl> weak_connect = connect;
  connect.reset();
  EXPECT_FALSE(process.Call([&] { weak_connect.lock()->DisconnectAddIn(0); }));
  EXPECT_FALSE(process.alive());
  // Unhooked: a second disconnection of either number is refused.
  EXPECT_THROW(a->DisconnectEvents(2), vb::Error);
  EXPECT_THROW(app->file_control().DisconnectEvents(1), vb::Error);
  EXPECT_TRUE(weak_connect.expired());
}

// A launch that fails, at start-up or by the menu's "Run NORB for Windows", is reported and
// closes the add-in down. Sinks the IDE still holds (such a shutdown does not unhook them) are
// dead once the add-in has ended.
TEST_F(StartupSinks, ALaunchThatFailsReportsAndClosesDown) {
  const fakes::MsgBoxShown not_found{"startNORB -- File not found", 4096, std::nullopt};
  fake.shell.SetFailing(true);
  fake.desktop.QueueAnswer(platform::vbOK);
  EXPECT_FALSE(process.Call([&] { connect->ConnectAddIn(app); }));
  EXPECT_EQ(fake.desktop.boxes(), std::vector<fakes::MsgBoxShown>{not_found});
  EXPECT_FALSE(process.alive());
  EXPECT_TRUE(a->Sinks().empty());  // dead,
  EXPECT_TRUE(app->file_control().Sinks().empty());
  EXPECT_NO_THROW(a->DisconnectEvents(2));  // though still connected
  EXPECT_NO_THROW(app->file_control().DisconnectEvents(1));

  Ide ide2;
  fakes::FakeServices fake2;
  Arrange(fake2);
  fake2.desktop.QueueAnswer(platform::vbOK);
  vb::Process<norb::MainModule> second{norb::StartProcess(fake2.services(), "C:\\VB")};
  auto c2 = second.state()->CreateConnectClass();
  ASSERT_TRUE(second.Call([&] { c2->ConnectAddIn(ide2.app); }));
  fake2.shell.SetFailing(true);
  EXPECT_FALSE(second.Call([&] {
    bool handled = false, cancel = false;
    c2->cbcRunNORBhandler_Click(nullptr, handled, cancel);
  }));
  EXPECT_EQ(fake2.shell.launches().back(), (fakes::Launch{"C:\\VB\\WNORB16", 1, false}));
  EXPECT_EQ(fake2.desktop.boxes(), std::vector<fakes::MsgBoxShown>{not_found});
  EXPECT_FALSE(second.alive());
}

TEST(ProgressWindow, ALaterReferenceLoadsItAnewWithItsDesignTimeTexts) {
  testing_support::ModuleFixture fx;
  fx.m->frmSplash->lblCap.SetCaption("Ready...");
  fx.m->frmSplash->ProgressBar1.SetMax(2);
  fx.m->frmSplash.Unload();
  EXPECT_EQ(fx.m->frmSplash->lblCap.Caption(), "Loading...");
  EXPECT_EQ(fx.m->frmSplash->ProgressBar1.Max(), 100);
  EXPECT_EQ(fx.m->frmSplash->lblVersion.Caption().substr(0, 1), "v");
}

}  // namespace
