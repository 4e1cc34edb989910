// The IDE session as a desktop front end drives it: no scenario words, its own desktop, forms UI
// and clipboard, and the host's observer as the only view of what happened.
#include "host/ide_session.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "dde/scripted_server.hpp"
#include "posix/file_ops.hpp"
#include "tests/fakes/fake_clipboard.hpp"
#include "tests/fakes/fake_desktop.hpp"
#include "tests/fakes/fake_forms_ui.hpp"
#include "tests/host/scenario_fixture.hpp"

namespace vbhost {
namespace {

class Recorder : public HostObserver {
 public:
  void Emit(const nlohmann::ordered_json& event) override { events.push_back(event); }
  // The events named `name`, in order.
  std::vector<nlohmann::ordered_json> Named(const std::string& name) const {
    std::vector<nlohmann::ordered_json> out;
    for (const auto& e : events) {
      if (e["event"] == name) out.push_back(e);
    }
    return out;
  }
  std::vector<nlohmann::ordered_json> events;
};

class Session : public testing_support::ScenarioFixture {
 protected:
  Session() {
    session.SetWindowsDirectory(tmp / "windows");
    dde::ScriptedServer& engine = session.UseScriptedEngine();
    engine.Reply("G2LOCKING", {"Y"});
    engine.Reply("T ", {"is not checked out\r\n"});
    session.Open(session.resolver().ToWindows(tmp / "App/App.vbp"));
  }
  std::shared_ptr<HostCommandBarControl> ToolsItem(const std::string& caption) {
    return session.vbe().bars().Find("Tools")->FindAddInItem(caption);
  }

  Recorder observer;
  fakes::FakeDesktop desktop;
  fakes::FakeFormsUi ui;
  fakes::FakeClipboard clipboard;
  IdeSession session{observer, PersonSeams{desktop, ui, clipboard}, SessionOptions{tmp / "bin", "", false}};
};

TEST_F(Session, TheAddInManagerConnectsClicksSavesAndDisconnects) {
  session.Connect();
  // OnConnection made the buttons; ConnectAddIn linked the engine and asked for its lock mode.
  ASSERT_NE(ToolsItem("Check &In"), nullptr);
  auto executes = observer.Named("execute");
  ASSERT_FALSE(executes.empty());
  EXPECT_EQ(executes.at(1)["command"], "G2LOCKING");

  // The check-in dialog reaches the front end's forms UI; its Cancel checks nothing in.
  ui.QueueModal("frmUpdate", fakes::Press("cmdCancel"));
  session.Click(ToolsItem("Check &In"));
  EXPECT_NE(std::find(ui.log().begin(), ui.log().end(), "showmodal frmUpdate"), ui.log().end());
  EXPECT_EQ(observer.Named("execute").back()["command"].get<std::string>().substr(0, 2), "T ");

  // A read-only file is refused by the add-in before the IDE writes it.
  HostComponent& module = *session.app().active()->FindComponent("Module1");
  ASSERT_TRUE(posix::SetReadOnly(tmp / "App/Module1.bas", true));
  module.SetDirty(true);
  session.Save(module);
  ASSERT_EQ(desktop.boxes().size(), 1u);
  EXPECT_EQ(desktop.boxes()[0].prompt, "Visual Basic has just requested to write " + module.files()[0] +
                                           ", which is read-only.\r\rRequest denied. \r\r");
  EXPECT_EQ(observer.Named("write").back()["written"], false);
  EXPECT_TRUE(module.IsDirty());
  ASSERT_TRUE(posix::SetReadOnly(tmp / "App/Module1.bas", false));

  // OnDisconnection takes the buttons away; DisconnectAddIn closes the links and ends the add-in.
  session.Disconnect();
  EXPECT_EQ(ToolsItem("Check &In"), nullptr);
  EXPECT_EQ(observer.events.back()["event"], "end");
  EXPECT_EQ(session.module(), nullptr);
  EXPECT_TRUE(observer.Named("error").empty());
}

}  // namespace
}  // namespace vbhost
