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

}  // namespace
