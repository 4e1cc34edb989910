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
  void Emit(const vbhost::HostEvent&) override {}
  void SaveComponentAs(vbhost::HostComponent&, const std::string&) override {}
  void SaveProjectAs(vbhost::HostProject&, const std::string&) override {}
  void ReloadProject(const std::string&, bool) override {}
};

// The add-in started on fakes, beside vbhost's model of the IDE with one unsaved project open.
struct Started {
  Started() {
    fake.engine.Reply("G2LOCKING", {"N"});
    fake.files.AddFile("C:\\VB\\WNORB16.EXE");
    fake.win32.SetModulePath("C:\\VB\\NORBVB5.EXE");
  }
  std::shared_ptr<vbhost::HostProject> Open() {
    auto p = vbhost::HostProject::NewUnsaved(resolver, host, numbers);
    app->SetActive(p);
    return p;
  }
  QuietIde host;
  vbhost::ConnectionNumbers numbers;
  posix::PathResolver resolver{posix::DriveMap{}};
  std::shared_ptr<vbhost::HostApplication> app = std::make_shared<vbhost::HostApplication>(host, numbers);
  std::shared_ptr<vbhost::HostProject> a = Open();
  fakes::FakeServices fake;
  vb::Process<norb::MainModule> process{norb::StartProcess(fake.services(), "C:\\VB")};
  std::shared_ptr<norb::nvb5VersionControl> connect = process.state()->CreateConnectClass();
};

// A re-link connects the new project even when the old one is gone; disconnecting unhooks both
// sinks, and nothing runs after the close-down.
TEST(StartupSinks, RelinkConnectsTheNewProjectAndDisconnectUnhooksBothSinks) {
  Started s;
  ASSERT_TRUE(s.process.Call([&] { s.connect->ConnectAddIn(s.app); }));
  auto b = s.Open();  // the old project is gone; B is active
  ASSERT_TRUE(s.process.Call([&] { s.process.state()->rcnct(); }));
  EXPECT_EQ(std::make_pair(s.connect->FileEventID, s.process.state()->gProjEventID), std::make_pair(1L, 3L));
  EXPECT_EQ(std::make_tuple(s.app->file_control().Sinks().size(), s.a->Sinks().size(), b->Sinks().size()),
            std::make_tuple(1u, 1u, 1u));
  // One launch, at the connection; the failed disconnect was silent.
  EXPECT_EQ(s.fake.record, std::vector<std::string>{"launch C:\\VB\\WNORB16 -L 1"});

  std::weak_ptr<norb::nvb5VersionControl> weak_connect = s.connect;
  s.connect.reset();
  EXPECT_FALSE(s.process.Call([&] { weak_connect.lock()->DisconnectAddIn(0); }));
  EXPECT_FALSE(s.process.alive());
  // Unhooked: a second disconnection of either number is refused.
  EXPECT_THROW(b->DisconnectEvents(3), vb::Error);
  EXPECT_THROW(s.app->file_control().DisconnectEvents(1), vb::Error);
  EXPECT_TRUE(weak_connect.expired());
}

// A launch that fails, at start-up or by the menu's "Run NORB for Windows", is reported and
// closes the add-in down. Sinks the IDE still holds (such a shutdown does not unhook them) are
// dead once the add-in has ended.
TEST(StartupSinks, ALaunchThatFailsReportsAndClosesDown) {
  const std::string not_found = "msgbox \"startNORB -- File not found\" 4096";
  Started s;
  s.fake.shell.SetFailing(true);
  s.fake.desktop.QueueAnswer(platform::vbOK);
  EXPECT_FALSE(s.process.Call([&] { s.connect->ConnectAddIn(s.app); }));
  EXPECT_EQ(s.fake.record, (std::vector<std::string>{"launch C:\\VB\\WNORB16 -L 1 failed", not_found}));
  EXPECT_FALSE(s.process.alive());
  EXPECT_TRUE(s.a->Sinks().empty());  // dead,
  EXPECT_TRUE(s.app->file_control().Sinks().empty());
  EXPECT_NO_THROW(s.a->DisconnectEvents(2));  // though still connected
  EXPECT_NO_THROW(s.app->file_control().DisconnectEvents(1));

  Started t;
  t.fake.desktop.QueueAnswer(platform::vbOK);
  ASSERT_TRUE(t.process.Call([&] { t.connect->ConnectAddIn(t.app); }));
  t.fake.shell.SetFailing(true);
  EXPECT_FALSE(t.process.Call([&] {
    bool handled = false, cancel = false;
    t.connect->cbcRunNORBhandler_Click(nullptr, handled, cancel);
  }));
  EXPECT_EQ(t.fake.record, (std::vector<std::string>{"launch C:\\VB\\WNORB16 -L 1",
                                                     "launch C:\\VB\\WNORB16 1 failed", not_found}));
  EXPECT_FALSE(t.process.alive());
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
