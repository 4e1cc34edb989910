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
#include "tests/dde/raised.hpp"

namespace {

using namespace testing_support;
using Strings = std::vector<std::string>;

// Topic "main" takes executes; topic "cmd" holds the item "state".
struct App {
  std::shared_ptr<dde::ServerApplication> app = std::make_shared<dde::ServerApplication>("App");
  dde::ServerTopic& main = app->AddTopic("main");
  dde::ServerTopic& cmd = app->AddTopic("cmd");
  App() { cmd.AddItem("state", "idle"); }
};

// Updates made during an execute arrive before it returns, spontaneous ones at the pump. A
// server that quits answers 291 and is heard no more, also once a successor of its name leaves.
TEST(InProcessBus, UpdatesOfAnExecuteArriveBeforeItReturnsAndAServerThatQuitsIsHeardNoMore) {
  dde::InProcessBus bus;
  App server;
  std::optional<dde::InProcessBus::Registration> registration = bus.Register(server.app);
  server.main.SetExecuteHandler([&](std::string_view command) {
    server.cmd.SetItem("state", "1 " + std::string(command));
    server.cmd.SetItem("state", "2 " + std::string(command));
    if (command == "EXIT") registration.reset();
    return command != "no";
  });
  EXPECT_EQ(RaisedBy([&] { bus.Initiate("App", "nowhere"); }), kNoResponse);
  auto main = bus.Initiate("App", "main");
  auto status = bus.Initiate("APP", "CMD");  // DDE names ignore case
  Strings seen;
  auto record = [&](const std::string& v) { seen.push_back(v); };
  EXPECT_EQ(status->Advise("STATE", record), "idle");
  main->Execute("go");
  EXPECT_EQ(RaisedBy([&] { main->Execute("no"); }), kRefused);
  EXPECT_EQ(RaisedBy([&] { status->Request("nothing"); }), kRefused);
  server.cmd.SetItem("state", "later");
  EXPECT_EQ(seen.size(), 4u);
  bus.Pump();
  status.reset();
  server.cmd.SetItem("state", "unseen");
  bus.Pump();
  EXPECT_EQ(bus.ConversationCount(), 1u);

  status = bus.Initiate("App", "cmd");
  status->Advise("state", record);
  EXPECT_EQ(RaisedBy([&] { main->Execute("EXIT"); }), kQuit);
  EXPECT_EQ(RaisedBy([&] { status->Request("state"); }), kQuit);
  EXPECT_EQ(RaisedBy([&] { bus.Initiate("App", "main"); }), kNoResponse);
  App successor;
  successor.main.SetExecuteHandler([](std::string_view) { return true; });
  registration = bus.Register(successor.app);
  EXPECT_EQ(RaisedBy([&] { main->Execute("again"); }), kQuit);
  EXPECT_EQ(RaisedBy([&] { bus.Initiate("App", "main")->Execute("again"); }), kNothing);
  auto successor_status = bus.Initiate("App", "cmd");
  successor_status->Advise("state", record);
  registration.reset();
  successor.cmd.SetItem("state", "from a server that left");
  bus.Pump();
  EXPECT_EQ(seen, (Strings{"1 go", "2 go", "1 no", "2 no", "later", "1 EXIT", "2 EXIT"}));

  auto gone = std::make_unique<dde::InProcessBus>();
  auto orphan_registration = gone->Register(std::make_shared<App>()->app);
  auto orphan = gone->Initiate("App", "cmd");
  gone.reset();
  EXPECT_EQ(RaisedBy([&] { orphan->Request("state"); }), kQuit);
}

// A server that speaks UTF-8, as one at the other end of D-Bus does: "A TEXT" answers TEXT.
TEST(CodePageLink, TextsCrossBothWaysAndWhatCannotBeCarriedSaysSoInsteadOfStaying) {
  auto owned = std::make_unique<dde::InProcessBus>();
  dde::InProcessBus& bus = *owned;
  dde::CodePageTransport link(std::move(owned));
  App server;
  Strings received;
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
  EXPECT_EQ(received, Strings{"A Größe.bas – €"});
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

// Each mode write and execute, "; "-ended: the form's control, what it wrote or sent, and the
// error number of a failure.
struct Transcript : dde::LinkObserver {
  void LinkModeWritten(const dde::LinkModeWrite& w) override {
    Add(w.form, w.control + " " + w.topic + "!" + w.item + " " + std::to_string(w.mode), w.ok, w.error);
  }
  void LinkExecuted(const dde::LinkExecuteCall& c) override {
    Add(c.form, c.control + " [" + c.command + "]", c.ok, c.error);
  }
  void Add(const std::string& form, const std::string& line, bool ok, int error) {
    EXPECT_EQ(form, "frmDDE");
    lines += line + (ok ? "" : " " + std::to_string(error)) + "; ";
  }
  std::string lines;
};

// Failures raise VB's numbers and leave the mode at 0, or as it was for an invalid mode; the
// observer sees every mode write and execute in order, with its outcome. An automatic link's
// text follows its item; each nonzero mode links anew, and a failing one drops the old link.
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

  // The scripted engine's rules: each match takes the next text and keeps the last, the earlier
  // rule first; a rule without texts leaves the status; refusals come first, also added later.
  auto engine = std::make_unique<dde::ScriptedServer>(bus);
  engine->Reply("T ", {"", "is checked out to you"});
  engine->Reply("T X", {"never"});
  engine->Reply("CONFIG", {});
  engine->Refuse("BAD");
  EXPECT_EQ(RaisedBy([&] { text2->SetLinkMode(1); }), kRefused);
  EXPECT_EQ(text2->LinkMode(), 0);
  text2->SetLinkItem("txtStatus");
  text1->SetLinkMode(2);
  text2->SetLinkMode(1);
  engine->SetStatus("Busy");
  EXPECT_EQ(text2->Text(), "Busy");
  text1->LinkExecute("T X");
  EXPECT_EQ(text2->Text(), "");
  text1->LinkExecute("T X");
  text1->LinkExecute("T X");
  text1->LinkExecute("CONFIG");
  EXPECT_EQ(text2->Text(), "is checked out to you");
  EXPECT_EQ(RaisedBy([&] { text1->LinkExecute("BAD"); }), kRefused);
  EXPECT_EQ(RaisedBy([&] { text2->LinkExecute("L A.FRM"); }), kNothing);
  EXPECT_EQ(RaisedBy([&] { text1->SetLinkMode(4); }).number, 380);
  EXPECT_EQ(text1->LinkMode(), 2);
  text2->SetLinkMode(3);
  EXPECT_EQ(text2->LinkMode(), 3);
  text2->SetLinkMode(0);
  EXPECT_EQ(RaisedBy([&] { text2->LinkExecute("T X"); }), kNoChannel);
  dde::ScriptedServer other(bus, {.application = "OTHER"});
  other.SetStatus("other");
  text2->SetLinkTopic("OTHER|frmCmd");
  text2->SetLinkMode(1);
  engine->SetStatus("stale");
  EXPECT_EQ(text2->Text(), "other");
  EXPECT_EQ(bus.ConversationCount(), 2u);
  text1->SetLinkTopic("NOBODY|frmMain");
  EXPECT_EQ(RaisedBy([&] { text1->SetLinkMode(2); }), kNoResponse);
  EXPECT_EQ(bus.ConversationCount(), 1u);

  // An engine that quits gives an error, never a hang; dropping succeeds all the same, and
  // linking again reaches the engine's next run.
  text1->SetLinkTopic("WNORB16|frmMain");
  text1->SetLinkMode(2);
  engine.reset();
  EXPECT_EQ(RaisedBy([&] { text1->LinkExecute("T Y"); }), kQuit);
  text1->SetLinkMode(0);
  text1->SetLinkMode(0);
  dde::ScriptedServer restarted(bus);
  text1->SetLinkMode(2);
  text1->LinkExecute("T Z");
  EXPECT_EQ(restarted.Executes(), (std::vector<dde::ExecuteRecord>{{"frmMain", "T Z"}}));
  restarted.Quit();
  EXPECT_EQ(RaisedBy([&] { text1->SetLinkMode(2); }), kNoResponse);
  EXPECT_EQ(
      transcript.lines,
      "Text1 WNORB16|frmMain! 2 282; Text1 [CONFIG] 293; Text2 WNORB16|frmCmd!txtNone 1 285; "
      "Text1 WNORB16|frmMain! 2; Text2 WNORB16|frmCmd!txtStatus 1; Text1 [T X]; Text1 [T X]; Text1 [T X]; "
      "Text1 [CONFIG]; Text1 [BAD] 285; Text2 [L A.FRM]; Text1 WNORB16|frmMain! 4 380; Text2 "
      "WNORB16|frmCmd!txtStatus 3; "
      "Text2 WNORB16|frmCmd!txtStatus 0; Text2 [T X] 293; Text2 OTHER|frmCmd!txtStatus 1; "
      "Text1 NOBODY|frmMain! 2 282; Text1 WNORB16|frmMain! 2; Text1 [T Y] 291; Text1 WNORB16|frmMain! 0; "
      "Text1 WNORB16|frmMain! 0; Text1 WNORB16|frmMain! 2; Text1 [T Z]; Text1 WNORB16|frmMain! 2 282; ");
  for (const char* topic : {"WNORB16 frmMain", "WNORB16", "WNORB16|frmNone", "|frmMain"}) {
    text1->SetLinkTopic(topic);
    EXPECT_EQ(RaisedBy([&] { text1->SetLinkMode(2); }), kNoResponse) << topic;
  }
}

}  // namespace
