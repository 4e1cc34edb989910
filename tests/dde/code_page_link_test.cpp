#include "dde/code_page_link.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dde/in_process_bus.hpp"

namespace {

// A server that speaks UTF-8, as one at the other end of D-Bus does: "A TEXT" answers TEXT.
TEST(CodePageLink, TextsCrossBothWaysAndWhatCannotBeCarriedSaysSoInsteadOfStaying) {
  auto owned = std::make_unique<dde::InProcessBus>();
  dde::InProcessBus& bus = *owned;
  dde::CodePageTransport link(std::move(owned));
  auto app = std::make_shared<dde::ServerApplication>("App");
  dde::ServerTopic& main = app->AddTopic("main");
  dde::ServerTopic& cmd = app->AddTopic("cmd");
  cmd.AddItem("state", "idle");
  std::vector<std::string> received;
  main.SetExecuteHandler([&](std::string_view command) {
    received.emplace_back(command);
    cmd.SetItem("state", std::string(command.substr(2)));
    return true;
  });
  auto registration = bus.Register(app);

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

  cmd.SetItem("state", "Тест.bas");
  link.Pump();
  EXPECT_EQ(seen, "ERROR: the answer cannot be carried: code page 1252 cannot spell it\r\n");
  EXPECT_EQ(from_server->Request("state"), seen);
  cmd.SetItem("state", "\xFF");
  link.Pump();
  EXPECT_EQ(seen, "ERROR: the answer cannot be carried: it is not UTF-8\r\n");
}

}  // namespace
