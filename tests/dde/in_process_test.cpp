// The in-process bus, the scripted engine on it, the code-page transport over it, and the
// text-box links the add-in makes on it.
#include "dde/in_process_bus.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dde/code_page_link.hpp"
#include "dde/scripted_server.hpp"
#include "dde/text_box_links.hpp"
#include "tests/dde/links.hpp"
#include "tests/dde/raised.hpp"

namespace {

using testing_support::kNoChannel;
using testing_support::kNoResponse;
using testing_support::kNothing;
using testing_support::kQuit;
using testing_support::kRefused;
using testing_support::RaisedBy;

// Topic "main" takes executes; topic "cmd" holds the item "state".
struct App {
  std::shared_ptr<dde::ServerApplication> app = std::make_shared<dde::ServerApplication>("App");
  dde::ServerTopic& main = app->AddTopic("main");
  dde::ServerTopic& cmd = app->AddTopic("cmd");
  App() { cmd.AddItem("state", "idle"); }
};

TEST(InProcessBus, UpdatesMadeDuringAnExecuteArriveBeforeItReturnsSpontaneousOnesAtThePump) {
  dde::InProcessBus bus;
  App server;
  server.main.SetExecuteHandler([&](std::string_view command) {
    server.cmd.SetItem("state", "1 " + std::string(command));
    server.cmd.SetItem("state", "2 " + std::string(command));
    return command != "no";
  });
  auto registration = bus.Register(server.app);
  EXPECT_EQ(RaisedBy([&] { bus.Initiate("App", "nowhere"); }), kNoResponse);
  auto main = bus.Initiate("App", "main");
  auto status = bus.Initiate("APP", "CMD");  // DDE names ignore case
  std::vector<std::string> seen;
  EXPECT_EQ(status->Advise("STATE", [&](const std::string& v) { seen.push_back(v); }), "idle");
  main->Execute("go");
  EXPECT_EQ(RaisedBy([&] { main->Execute("no"); }), kRefused);
  EXPECT_EQ(seen, (std::vector<std::string>{"1 go", "2 go", "1 no", "2 no"}));

  server.cmd.SetItem("state", "later");
  EXPECT_EQ(seen.size(), 4u);
  bus.Pump();
  EXPECT_EQ(seen.back(), "later");
  EXPECT_EQ(RaisedBy([&] { status->Request("nothing"); }), kRefused);
  status.reset();
  server.cmd.SetItem("state", "unseen");
  bus.Pump();
  EXPECT_EQ(seen.back(), "later");
  EXPECT_EQ(bus.ConversationCount(), 1u);
}

TEST(InProcessBus, AServerThatQuitsAnswers291AndIsHeardNoMore) {
  dde::InProcessBus bus;
  App server;
  std::optional<dde::InProcessBus::Registration> registration = bus.Register(server.app);
  server.main.SetExecuteHandler([&](std::string_view) {
    server.cmd.SetItem("state", "bye");
    registration.reset();
    return true;
  });
  auto main = bus.Initiate("App", "main");
  auto status = bus.Initiate("App", "cmd");
  std::string seen;
  status->Advise("state", [&](const std::string& v) { seen = v; });
  EXPECT_EQ(RaisedBy([&] { main->Execute("EXIT"); }), kQuit);
  EXPECT_EQ(seen, "bye");
  EXPECT_EQ(RaisedBy([&] { status->Request("state"); }), kQuit);
  EXPECT_EQ(RaisedBy([&] { bus.Initiate("App", "main"); }), kNoResponse);

  // A new server of the same name is another partner: the old conversation stays dead. Once it
  // leaves too, its changes reach nobody.
  App successor;
  successor.main.SetExecuteHandler([](std::string_view) { return true; });
  registration = bus.Register(successor.app);
  EXPECT_EQ(RaisedBy([&] { main->Execute("again"); }), kQuit);
  EXPECT_EQ(RaisedBy([&] { bus.Initiate("App", "main")->Execute("again"); }), kNothing);
  auto successor_status = bus.Initiate("App", "cmd");
  successor_status->Advise("state", [&](const std::string& v) { seen = v; });
  registration.reset();
  successor.cmd.SetItem("state", "from a server that left");
  bus.Pump();
  EXPECT_EQ(seen, "bye");

  auto gone = std::make_unique<dde::InProcessBus>();
  auto orphan_registration = gone->Register(std::make_shared<App>()->app);
  auto orphan = gone->Initiate("App", "cmd");
  gone.reset();
  EXPECT_EQ(RaisedBy([&] { orphan->Request("state"); }), kQuit);
}

TEST(ScriptedServer, RulesAnswerThroughTheStatusBeforeTheExecuteReturns) {
  dde::InProcessBus bus;
  dde::ScriptedServer engine(bus, {.application = "ENGINE", .topics = {"main"}, .status_item = "state"});
  engine.SetStatus("Ready");
  auto command = bus.Initiate("ENGINE", "main");
  auto status_link = bus.Initiate("ENGINE", "frmCmd");
  std::string status = status_link->Advise("state", [&](const std::string& v) { status = v; });
  auto ask = [&](const std::string& text) {
    command->Execute(text);
    return status;
  };
  EXPECT_EQ(status, "Ready");
  engine.Reply("T ", {"is checked out to you", "is not checked out", "is checked out to ann"});
  engine.Reply("T X", {"never: the earlier rule matches first"});
  engine.Reply("G2LOCKING", {"1"});
  EXPECT_EQ(ask("T X.FRM"), "is checked out to you");
  EXPECT_EQ(ask("G2LOCKING"), "1");
  EXPECT_EQ(ask("T Y.BAS"), "is not checked out");
  EXPECT_EQ(ask("T X.FRM"), "is checked out to ann");
  EXPECT_EQ(ask("T X.FRM"), "is checked out to ann");
  // Unmatched, or matched by a rule without texts: taken, status as it was.
  EXPECT_EQ(ask("CD C:\\PROJ"), "is checked out to ann");
  engine.Reply("CONFIG", {});
  EXPECT_EQ(ask("CONFIG"), "is checked out to ann");
  // Refusals come before every reply rule, also when added later.
  engine.Refuse("T Z");
  EXPECT_EQ(RaisedBy([&] { command->Execute("T Z.CLS"); }), kRefused);
  EXPECT_EQ(RaisedBy([&] { status_link->Execute("L A.FRM"); }), kNothing);
  const std::vector<dde::ExecuteRecord> expected = {
      {"main", "T X.FRM"}, {"main", "G2LOCKING"}, {"main", "T Y.BAS"},
      {"main", "T X.FRM"}, {"main", "T X.FRM"},   {"main", "CD C:\\PROJ"},
      {"main", "CONFIG"},  {"main", "T Z.CLS"},   {"frmCmd", "L A.FRM"},
  };
  EXPECT_EQ(engine.Executes(), expected);

  engine.Quit();
  EXPECT_EQ(RaisedBy([&] { bus.Initiate("ENGINE", "main"); }), kNoResponse);
}

// A server that speaks UTF-8, as one at the other end of D-Bus does: "A TEXT" answers TEXT.
TEST(CodePageLink, TextsCrossBothWaysAndWhatCannotBeCarriedSaysSoInsteadOfStaying) {
  auto owned = std::make_unique<dde::InProcessBus>();
  dde::InProcessBus& bus = *owned;
  dde::CodePageTransport link(std::move(owned));
  App server;
  std::vector<std::string> received;
  server.main.SetExecuteHandler([&](std::string_view command) {
    received.emplace_back(command);
    server.cmd.SetItem("state", std::string(command.substr(2)));
    return true;
  });
  auto registration = bus.Register(server.app);

  auto to_server = link.Initiate("App", "main");
  auto from_server = link.Initiate("App", "cmd");
  std::string seen;
  EXPECT_EQ(from_server->Advise("state", [&](const std::string& value) { seen = value; }), "idle");
  to_server->Execute(
      "A Gr\xF6\xDF"
      "e.bas \x96 \x80");
  EXPECT_EQ(received, std::vector<std::string>{"A Größe.bas – €"});
  EXPECT_EQ(seen,
            "Gr\xF6\xDF"
            "e.bas \x96 \x80");

  server.cmd.SetItem("state", "Тест.bas");
  link.Pump();
  EXPECT_EQ(seen, "ERROR: the answer cannot be carried: code page 1252 cannot spell it\r\n");
  EXPECT_EQ(from_server->Request("state"), seen);
  server.cmd.SetItem("state", "\xFF");
  link.Pump();
  EXPECT_EQ(seen, "ERROR: the answer cannot be carried: it is not UTF-8\r\n");
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

// The add-in's two links, against two engines.
TEST(TextBoxLink, AnAutomaticLinksTextFollowsItsItemAndEachNonzeroModeLinksAnew) {
  dde::InProcessBus bus;
  auto engine = std::make_unique<dde::ScriptedServer>(bus);
  dde::ScriptedServer other(bus, {.application = "OTHER"});
  engine->SetStatus("Ready");
  other.SetStatus("other");
  testing_support::Links links(bus);
  auto& [command, status] = links;
  links.Connect();
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
