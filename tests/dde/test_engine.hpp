// The server the link's tests talk to, over D-Bus and over Windows' DDE alike, and the wait for
// what a pump brings.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "dde/server_application.hpp"
#include "dde/transport.hpp"

namespace testing_support {

// Shaped like the engine: WNORB16 with topics frmMain and frmCmd (both take commands), and on
// frmCmd the items txtStatus ("Ready" at first) and txtOutcome ("none"). Every command sets the
// status twice, "Busy" and then "done <command>", so a client sees whether it got every update and
// in order, then the outcome to "<command> ok"; commands beginning "NO" set "refused <command>"
// and are refused, "THROW" makes the handler throw, "SLEEP <ms>" sleeps before it answers.
inline std::shared_ptr<dde::ServerApplication> MakeTestEngine() {
  auto engine = std::make_shared<dde::ServerApplication>("WNORB16");
  dde::ServerTopic& main = engine->AddTopic("frmMain");
  dde::ServerTopic& cmd = engine->AddTopic("frmCmd");
  cmd.AddItem("txtStatus", "Ready");
  cmd.AddItem("txtOutcome", "none");
  auto handler = [&cmd](std::string_view command) {
    if (command == "THROW") throw std::runtime_error("handler failed");
    if (command.starts_with("SLEEP "))
      std::this_thread::sleep_for(std::stoi(std::string(command.substr(6))) * std::chrono::milliseconds(1));
    const bool taken = !command.starts_with("NO");
    if (taken) cmd.SetItem("txtStatus", "Busy");
    cmd.SetItem("txtStatus", (taken ? "done " : "refused ") + std::string(command));
    if (taken) cmd.SetItem("txtOutcome", std::string(command) + " ok");
    return taken;
  };
  main.SetExecuteHandler(handler);
  cmd.SetExecuteHandler(handler);
  return engine;
}

// Pumps (when given a transport) until `done` holds; false when it does not within a few seconds.
// Wine's DDEML may bring an execute's advise data after its answer (docs/windows.md).
inline bool Eventually(dde::Transport* transport, auto done) {
  for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
       std::chrono::steady_clock::now() < until;) {
    if (transport) transport->Pump();
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return done();
}

// A client as the add-in's links are: commands to frmMain, the status and the outcome advised
// from frmCmd (the first values `status` and `outcome`), every value told kept in order. (Wine's
// DDEML opens one conversation per topic and client: docs/windows.md.)
struct AdvisedClient {
  dde::Transport& transport;
  std::unique_ptr<dde::Conversation> main, cmd;
  std::vector<std::string> statuses, outcomes;

  AdvisedClient(dde::Transport& t, const std::string& status, const std::string& outcome)
      : transport(t), main(t.Initiate("WNORB16", "frmMain")), cmd(t.Initiate("WNORB16", "frmCmd")) {
    EXPECT_EQ(cmd->Advise("txtStatus", [this](const std::string& v) { statuses.push_back(v); }), status);
    EXPECT_EQ(cmd->Advise("txtOutcome", [this](const std::string& v) { outcomes.push_back(v); }), outcome);
  }
  // Sends the command; answers the status the advise loop brought, as the add-in reads it, and
  // checks a request reads the same.
  std::string Execute(const std::string& command) {
    const std::size_t before = statuses.size();
    main->Execute(command);
    if (!Eventually(&transport, [&] { return statuses.size() > before; })) return "<no status advised>";
    EXPECT_EQ(cmd->Request("txtStatus"), statuses.back()) << command;
    return statuses.back();
  }
};

}  // namespace testing_support
