#include "dde/text_box_link.hpp"

#include <gtest/gtest.h>

#include <memory>
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

// Failures raise VB's numbers and leave the mode at 0, or as it was for an invalid mode; the
// observer sees every mode write and execute in order, with its outcome.
TEST(TextBoxLinks, EveryModeWriteAndExecuteIsSeenWithItsOutcome) {
  dde::InProcessBus bus;
  Transcript transcript;
  dde::TextBoxLinks factory(bus, &transcript);
  auto text1 = factory.Create("frmDDE", "Text1");
  auto text2 = factory.Create("frmDDE", "Text2");
  text1->SetLinkTopic("WNORB16|frmMain");
  text2->SetLinkTopic("WNORB16|frmCmd");
  text2->SetLinkItem("txtNone");
  EXPECT_EQ(RaisedBy([&] { text1->SetLinkMode(2); }), kNoResponse);
  EXPECT_EQ(text1->LinkMode(), 0);
  EXPECT_EQ(RaisedBy([&] { text1->LinkExecute("CONFIG"); }), kNoChannel);

  dde::ScriptedServer engine(bus);
  engine.Refuse("BAD");
  EXPECT_EQ(RaisedBy([&] { text2->SetLinkMode(1); }), kRefused);
  EXPECT_EQ(text2->LinkMode(), 0);
  text2->SetLinkItem("txtStatus");
  text1->SetLinkMode(2);
  text2->SetLinkMode(1);
  text1->LinkExecute("CD C:\\PROJ");
  EXPECT_EQ(RaisedBy([&] { text1->LinkExecute("BAD"); }), kRefused);
  EXPECT_EQ(RaisedBy([&] { text1->SetLinkMode(4); }).number, 380);
  EXPECT_EQ(text1->LinkMode(), 2);
  text2->SetLinkMode(3);
  EXPECT_EQ(text2->LinkMode(), 3);
  text2->SetLinkMode(0);
  EXPECT_EQ(RaisedBy([&] { text2->LinkExecute("T X"); }), kNoChannel);
  text1->SetLinkMode(0);
  text1->SetLinkMode(0);
  EXPECT_EQ(bus.ConversationCount(), 0u);

  EXPECT_EQ(transcript.lines, (std::vector<std::string>{
                                  "mode frmDDE.Text1 WNORB16|frmMain! 2 failed 282",
                                  "execute frmDDE.Text1 WNORB16|frmMain [CONFIG] failed 293",
                                  "mode frmDDE.Text2 WNORB16|frmCmd!txtNone 1 failed 285",
                                  "mode frmDDE.Text1 WNORB16|frmMain! 2 ok",
                                  "mode frmDDE.Text2 WNORB16|frmCmd!txtStatus 1 ok",
                                  "execute frmDDE.Text1 WNORB16|frmMain [CD C:\\PROJ] ok",
                                  "execute frmDDE.Text1 WNORB16|frmMain [BAD] failed 285",
                                  "mode frmDDE.Text1 WNORB16|frmMain! 4 failed 380",
                                  "mode frmDDE.Text2 WNORB16|frmCmd!txtStatus 3 ok",
                                  "mode frmDDE.Text2 WNORB16|frmCmd!txtStatus 0 ok",
                                  "execute frmDDE.Text2 WNORB16|frmCmd [T X] failed 293",
                                  "mode frmDDE.Text1 WNORB16|frmMain! 0 ok",
                                  "mode frmDDE.Text1 WNORB16|frmMain! 0 ok",
                              }));
  EXPECT_EQ(engine.Executes(),
            (std::vector<dde::ExecuteRecord>{{"frmMain", "CD C:\\PROJ"}, {"frmMain", "BAD"}}));
  for (const char* topic : {"WNORB16 frmMain", "WNORB16", "WNORB16|frmNone", "NOBODY|frmMain", "|frmMain"}) {
    text1->SetLinkTopic(topic);
    EXPECT_EQ(RaisedBy([&] { text1->SetLinkMode(2); }), kNoResponse) << topic;
    EXPECT_EQ(text1->LinkMode(), 0) << topic;
  }
}

// The add-in's two links on its hidden form, against two engines.
TEST(TextBoxLink, AnAutomaticLinksTextFollowsItsItemAndEachNonzeroModeLinksAnew) {
  dde::InProcessBus bus;
  auto engine = std::make_unique<dde::ScriptedServer>(bus);
  dde::ScriptedServer other(bus, {.application = "OTHER"});
  engine->SetStatus("Ready");
  other.SetStatus("other");
  dde::TextBoxLink command(bus, "frmDDE", "Text1");
  dde::TextBoxLink status(bus, "frmDDE", "Text2");
  command.SetLinkTopic("WNORB16|frmMain");
  status.SetLinkTopic("WNORB16|frmCmd");
  status.SetLinkItem("txtStatus");
  command.SetLinkMode(2);
  status.SetLinkMode(1);
  EXPECT_EQ(status.Text(), "Ready");
  engine->SetStatus("Busy");
  EXPECT_EQ(status.Text(), "Busy");
  // The answer stands in the status link as soon as the command link's execute returns.
  engine->Reply("T ", {"", "is checked out to you"});
  command.LinkExecute("T C:\\PROJ\\FORM1.FRM");
  EXPECT_EQ(status.Text(), "");
  command.LinkExecute("T C:\\PROJ\\FORM1.FRM");
  EXPECT_EQ(status.Text(), "is checked out to you");

  status.SetLinkTopic("OTHER|frmCmd");
  EXPECT_EQ(status.Text(), "is checked out to you");
  status.SetLinkMode(1);
  EXPECT_EQ(status.Text(), "other");
  engine->SetStatus("stale");
  EXPECT_EQ(status.Text(), "other");
  EXPECT_EQ(bus.ConversationCount(), 2u);

  // A failing re-initiate has dropped the old link all the same.
  command.SetLinkTopic("NOBODY|frmMain");
  EXPECT_EQ(RaisedBy([&] { command.SetLinkMode(2); }), kNoResponse);
  EXPECT_EQ(RaisedBy([&] { command.LinkExecute("CONFIG"); }), kNoChannel);
  EXPECT_EQ(bus.ConversationCount(), 1u);

  // An engine that quits gives an error, never a hang; dropping succeeds all the same, and
  // linking again reaches the engine's next run.
  command.SetLinkTopic("WNORB16|frmMain");
  command.SetLinkMode(2);
  engine.reset();
  EXPECT_EQ(RaisedBy([&] { command.LinkExecute("T X"); }), kQuit);
  EXPECT_EQ(RaisedBy([&] { command.SetLinkMode(0); }), kNothing);
  dde::ScriptedServer restarted(bus);
  restarted.Reply("T ", {"is not checked out"});
  command.SetLinkMode(2);
  status.SetLinkTopic("WNORB16|frmCmd");
  status.SetLinkMode(1);
  command.LinkExecute("T X");
  EXPECT_EQ(status.Text(), "is not checked out");
  EXPECT_EQ(restarted.Executes(), (std::vector<dde::ExecuteRecord>{{"frmMain", "T X"}}));
}

}  // namespace
