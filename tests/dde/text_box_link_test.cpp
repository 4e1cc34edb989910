#include "dde/text_box_link.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dde/scripted_server.hpp"
#include "dde/text_box_links.hpp"
#include "tests/dde/raised.hpp"

namespace {

using testing_support::kNoChannel;
using testing_support::kNoResponse;
using testing_support::kNothing;
using testing_support::kQuit;
using testing_support::kRefused;
using testing_support::RaisedBy;

// The add-in's two links on its hidden form.
struct Links {
  dde::TextBoxLink command;
  dde::TextBoxLink status;

  explicit Links(dde::Transport& bus) : command(bus, "frmDDE", "Text1"), status(bus, "frmDDE", "Text2") {
    command.SetLinkTopic("WNORB16|frmMain");
    status.SetLinkTopic("WNORB16|frmCmd");
    status.SetLinkItem("txtStatus");
  }
  void Connect() {
    command.SetLinkMode(2);
    status.SetLinkMode(1);
  }
};

TEST(TextBoxLink, FailuresRaiseVbsNumbersAndLeaveTheModeAtZero) {
  dde::InProcessBus bus;
  Links links(bus);
  EXPECT_EQ(RaisedBy([&] { links.command.SetLinkMode(2); }), kNoResponse);
  EXPECT_EQ(RaisedBy([&] { links.status.SetLinkMode(1); }), kNoResponse);
  EXPECT_EQ(links.command.LinkMode(), 0);
  EXPECT_EQ(links.status.LinkMode(), 0);
  EXPECT_EQ(RaisedBy([&] { links.command.LinkExecute("CONFIG"); }), kNoChannel);

  dde::ScriptedServer engine(bus);
  for (const char* topic : {"WNORB16 frmMain", "WNORB16", "WNORB16|frmNone", "NOBODY|frmMain", "|frmMain"}) {
    links.command.SetLinkTopic(topic);
    EXPECT_EQ(RaisedBy([&] { links.command.SetLinkMode(2); }), kNoResponse) << topic;
    EXPECT_EQ(links.command.LinkMode(), 0) << topic;
  }
  links.command.SetLinkTopic("WNORB16|frmMain");

  // An item the server lacks: the advise is refused and no link stays.
  links.status.SetLinkItem("txtNone");
  EXPECT_EQ(RaisedBy([&] { links.status.SetLinkMode(1); }), kRefused);
  EXPECT_EQ(links.status.LinkMode(), 0);

  engine.Refuse("BAD");
  links.command.SetLinkMode(2);
  EXPECT_EQ(RaisedBy([&] { links.command.LinkExecute("BAD 1"); }), kRefused);
  EXPECT_EQ(links.command.LinkMode(), 2);
  EXPECT_EQ(RaisedBy([&] { links.command.LinkExecute("GOOD 1"); }), kNothing);

  // An invalid mode leaves the link as it was; notify (3) is a mode.
  EXPECT_EQ(RaisedBy([&] { links.command.SetLinkMode(4); }).number, 380);
  EXPECT_EQ(links.command.LinkMode(), 2);
  links.status.SetLinkItem("txtStatus");
  EXPECT_EQ(RaisedBy([&] { links.status.SetLinkMode(3); }), kNothing);
  EXPECT_EQ(links.status.LinkMode(), 3);
  links.status.SetLinkMode(0);
  EXPECT_EQ(bus.ConversationCount(), 1u);
}

TEST(TextBoxLink, DroppingAlwaysSucceeds) {
  dde::InProcessBus bus;
  Links links(bus);
  EXPECT_EQ(RaisedBy([&] { links.command.SetLinkMode(0); }), kNothing);

  auto engine = std::make_unique<dde::ScriptedServer>(bus);
  links.Connect();
  EXPECT_EQ(bus.ConversationCount(), 2u);
  links.command.SetLinkMode(0);
  EXPECT_EQ(links.command.LinkMode(), 0);
  EXPECT_EQ(RaisedBy([&] { links.command.LinkExecute("CONFIG"); }), kNoChannel);
  EXPECT_EQ(RaisedBy([&] { links.command.SetLinkMode(0); }), kNothing);
  EXPECT_EQ(bus.ConversationCount(), 1u);

  // Also when the engine is gone.
  engine.reset();
  EXPECT_EQ(RaisedBy([&] { links.status.SetLinkMode(0); }), kNothing);
  EXPECT_EQ(links.status.LinkMode(), 0);
  EXPECT_EQ(bus.ConversationCount(), 0u);
}

TEST(TextBoxLink, AnAutomaticLinksTextFollowsItsItem) {
  dde::InProcessBus bus;
  dde::ScriptedServer engine(bus);
  engine.SetStatus("Ready");
  Links links(bus);
  links.Connect();
  EXPECT_EQ(links.status.Text(), "Ready");

  engine.SetStatus("Busy");
  EXPECT_EQ(links.status.Text(), "Busy");

  // The answer stands in the status link as soon as the command link's execute returns.
  engine.Reply("T ", {"", "is checked out to you"});
  links.command.LinkExecute("T C:\\PROJ\\FORM1.FRM");
  EXPECT_EQ(links.status.Text(), "");
  links.command.LinkExecute("T C:\\PROJ\\FORM1.FRM");
  EXPECT_EQ(links.status.Text(), "is checked out to you");
}

TEST(TextBoxLink, ANonzeroModeWhileLinkedDropsAndInitiatesAgain) {
  dde::InProcessBus bus;
  dde::ScriptedServer engine(bus);
  dde::ScriptedServer other(bus, {.application = "OTHER"});
  engine.SetStatus("engine");
  other.SetStatus("other");
  Links links(bus);
  links.Connect();
  links.status.SetLinkMode(1);
  EXPECT_EQ(bus.ConversationCount(), 2u);

  links.status.SetLinkTopic("OTHER|frmCmd");
  EXPECT_EQ(links.status.Text(), "engine");
  links.status.SetLinkMode(1);
  EXPECT_EQ(links.status.Text(), "other");
  engine.SetStatus("stale");
  EXPECT_EQ(links.status.Text(), "other");
  EXPECT_EQ(bus.ConversationCount(), 2u);

  // A failing re-initiate has dropped the old link all the same.
  links.command.SetLinkTopic("NOBODY|frmMain");
  EXPECT_EQ(RaisedBy([&] { links.command.SetLinkMode(2); }), kNoResponse);
  EXPECT_EQ(links.command.LinkMode(), 0);
  EXPECT_EQ(RaisedBy([&] { links.command.LinkExecute("CONFIG"); }), kNoChannel);
  EXPECT_EQ(bus.ConversationCount(), 1u);
}

TEST(TextBoxLink, AnEngineThatQuitsGivesAnErrorNeverAHang) {
  dde::InProcessBus bus;
  auto engine = std::make_unique<dde::ScriptedServer>(bus);
  engine->Reply("CONFIG", {"configured"});
  Links links(bus);
  links.Connect();
  links.command.LinkExecute("CONFIG");
  engine.reset();

  EXPECT_EQ(RaisedBy([&] { links.command.LinkExecute("T X"); }), kQuit);
  EXPECT_EQ(links.status.Text(), "configured");

  // Linking again reaches the engine's next run.
  dde::ScriptedServer restarted(bus);
  restarted.Reply("T ", {"is not checked out"});
  links.Connect();
  links.command.LinkExecute("T X");
  EXPECT_EQ(links.status.Text(), "is not checked out");
  EXPECT_EQ(restarted.Executes(), (std::vector<dde::ExecuteRecord>{{"frmMain", "T X"}}));
}

class Transcript : public dde::LinkObserver {
 public:
  void LinkModeWritten(const dde::LinkModeWrite& w) override {
    Add("mode " + w.form + "." + w.control + " " + w.topic + "!" + w.item + " " + std::to_string(w.mode),
        w.ok, w.error);
  }
  void LinkExecuted(const dde::LinkExecuteCall& c) override {
    Add("execute " + c.form + "." + c.control + " " + c.topic + " [" + c.command + "]", c.ok, c.error);
  }
  void Add(std::string line, bool ok, int error) {
    lines.push_back(line + (ok ? " ok" : " failed " + std::to_string(error)));
  }
  std::vector<std::string> lines;
};

TEST(TextBoxLinks, TheObserverSeesEveryModeWriteAndExecuteInOrder) {
  dde::InProcessBus bus;
  Transcript transcript;
  dde::TextBoxLinks factory(bus, &transcript);
  auto text1 = factory.Create("frmDDE", "Text1");
  auto text2 = factory.Create("frmDDE", "Text2");
  text1->SetLinkTopic("WNORB16|frmMain");
  text2->SetLinkTopic("WNORB16|frmCmd");
  text2->SetLinkItem("txtStatus");

  RaisedBy([&] { text1->SetLinkMode(2); });
  dde::ScriptedServer engine(bus);
  engine.Refuse("BAD");
  text1->SetLinkMode(2);
  text2->SetLinkMode(1);
  text1->LinkExecute("CD C:\\PROJ");
  RaisedBy([&] { text1->LinkExecute("BAD"); });
  RaisedBy([&] { text2->SetLinkMode(0); });
  RaisedBy([&] { text2->LinkExecute("T X"); });
  text1->SetLinkMode(0);
  text1->SetLinkMode(0);

  EXPECT_EQ(transcript.lines, (std::vector<std::string>{
                                  "mode frmDDE.Text1 WNORB16|frmMain! 2 failed 282",
                                  "mode frmDDE.Text1 WNORB16|frmMain! 2 ok",
                                  "mode frmDDE.Text2 WNORB16|frmCmd!txtStatus 1 ok",
                                  "execute frmDDE.Text1 WNORB16|frmMain [CD C:\\PROJ] ok",
                                  "execute frmDDE.Text1 WNORB16|frmMain [BAD] failed 285",
                                  "mode frmDDE.Text2 WNORB16|frmCmd!txtStatus 0 ok",
                                  "execute frmDDE.Text2 WNORB16|frmCmd [T X] failed 293",
                                  "mode frmDDE.Text1 WNORB16|frmMain! 0 ok",
                                  "mode frmDDE.Text1 WNORB16|frmMain! 0 ok",
                              }));
  EXPECT_EQ(engine.Executes(),
            (std::vector<dde::ExecuteRecord>{{"frmMain", "CD C:\\PROJ"}, {"frmMain", "BAD"}}));
}

}  // namespace
