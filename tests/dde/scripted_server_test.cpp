#include "dde/scripted_server.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/dde/raised.hpp"

namespace {

using testing_support::kNoResponse;
using testing_support::kNothing;
using testing_support::kRefused;
using testing_support::RaisedBy;

TEST(ScriptedServer, RulesAnswerThroughTheStatusBeforeTheExecuteReturns) {
  dde::InProcessBus bus;
  dde::ScriptedServer engine(bus);
  engine.SetStatus("Ready");
  auto command = bus.Initiate("WNORB16", "frmMain");
  auto status_link = bus.Initiate("WNORB16", "frmCmd");
  std::string status = status_link->Advise("txtStatus", [&](const std::string& v) { status = v; });
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
  EXPECT_EQ(ask("G2LOCKING"), "1");

  EXPECT_EQ(RaisedBy([&] { status_link->Execute("L A.FRM"); }), kNothing);
  const std::vector<dde::ExecuteRecord> expected = {
      {"frmMain", "T X.FRM"},   {"frmMain", "G2LOCKING"},   {"frmMain", "T Y.BAS"}, {"frmMain", "T X.FRM"},
      {"frmMain", "T X.FRM"},   {"frmMain", "CD C:\\PROJ"}, {"frmMain", "CONFIG"},  {"frmMain", "T Z.CLS"},
      {"frmMain", "G2LOCKING"}, {"frmCmd", "L A.FRM"},
  };
  EXPECT_EQ(engine.Executes(), expected);
}

TEST(ScriptedServer, NamesAreConfigurableAndQuitLeavesTheBus) {
  dde::InProcessBus bus;
  dde::ScriptedServer engine(
      bus, {.application = "ENGINE", .topics = {"main"}, .status_topic = "out", .status_item = "state"});
  engine.Reply("", {"done"});
  bus.Initiate("ENGINE", "main")->Execute("anything");
  EXPECT_EQ(bus.Initiate("ENGINE", "out")->Request("state"), "done");
  engine.Quit();
  EXPECT_EQ(RaisedBy([&] { bus.Initiate("ENGINE", "main"); }), kNoResponse);
  dde::ScriptedServer successor(bus, {.application = "ENGINE"});
  EXPECT_EQ(RaisedBy([&] { bus.Initiate("ENGINE", "frmMain"); }), kNothing);
}

}  // namespace
