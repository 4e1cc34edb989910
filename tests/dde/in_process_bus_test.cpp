#include "dde/in_process_bus.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/dde/raised.hpp"

namespace {

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

}  // namespace
