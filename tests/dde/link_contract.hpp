// The conversation rules every carrier of the links keeps, written once: D-Bus over the bus and
// over a direct connection (dbus_test.cpp), Windows' DDEML (tests/win32/ddeml_server_test.cpp),
// each on the test engine. What differs is in the Carrier.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "dde/server_application.hpp"
#include "dde/transport.hpp"
#include "tests/dde/raised.hpp"
#include "tests/dde/test_engine.hpp"

namespace testing_support {

// The test engine served by a carrier's server on a thread of its own; it ends with the object.
class EngineServer {
 public:
  virtual ~EngineServer() = default;
  // Runs `work` on the application between calls, as the engine changes its items.
  virtual void Do(const std::function<void(dde::ServerApplication&)>& work) = 0;
};

struct Carrier {
  // A client of this thread's own whose calls time out well before SLEEP 600 answers, telling
  // `on_await` whenever an initiate waits for a launched server.
  std::function<std::unique_ptr<dde::Transport>(std::function<void(std::string_view)> on_await)> client;
  std::function<std::unique_ptr<EngineServer>()> serve;
  std::chrono::milliseconds start_wait;  // the client's window after a launch
  bool names_ignore_case = false;
  // Wine's DDEML may bring an execute's updates after its answer (docs/windows.md).
  bool updates_after_answer = false;
};

// Without a launch an initiate fails at once; after one the first waits for the launched server,
// and says so, the rest find it there. Each client is told and reads its own answers only, the
// execute on frmMain feeding the advise loops on frmCmd; a client that leaves is forgotten;
// a change outside an execute is everyone's, at the next pump. A launch that brings up no server
// stalls the initiates in its window once. Then what the server refuses or answers too late, a
// conversation ended, `more` of the carrier's own, and the server's exit, which ends the rest.
inline void CheckLinkContract(const Carrier& carrier, const std::function<void(dde::Transport&)>& more = {}) {
  using namespace std::chrono_literals;
  using Strings = std::vector<std::string>;
  Strings awaited;
  auto transport = carrier.client([&](std::string_view application) { awaited.emplace_back(application); });
  EXPECT_EQ(RaisedBy([&] { transport->Initiate("WNORB16", "frmCmd"); }), kNoResponse);
  EXPECT_TRUE(awaited.empty());
  transport->ServerLaunched();
  std::unique_ptr<EngineServer> server;
  std::thread starter([&] {
    std::this_thread::sleep_for(300ms);
    server = carrier.serve();
  });
  // Where names compare without case, in another case. (Wine opens one conversation per topic
  // and client, so this one goes before the client's.)
  const bool any_case = carrier.names_ignore_case;
  const std::string application = any_case ? "wnorb16" : "WNORB16";
  EXPECT_EQ(RaisedBy([&] { transport->Initiate(application, any_case ? "FRMCMD" : "frmCmd"); }), kNothing);
  starter.join();
  AdvisedClient mine(*transport, "Ready", "none");
  EXPECT_EQ(awaited, Strings{application});

  for (int round = 1; round <= 2; ++round) {
    mine.main->Execute("T mine");
    if (carrier.updates_after_answer)
      Eventually(transport.get(), [&] { return mine.outcomes.size() == 1u * round; });
    EXPECT_EQ(mine.outcomes.size(), 1u * round);
    EXPECT_EQ(mine.cmd->Request("txtStatus"), "done T mine");
    EXPECT_EQ(mine.cmd->Request(any_case ? "TXTOUTCOME" : "txtOutcome"), "T mine ok");
  }
  // The answers are the client's own: the value for everyone is untouched.
  auto values = [&] {
    std::pair<std::string, std::size_t> common_and_own;
    server->Do([&](dde::ServerApplication& app) {
      const dde::ServerItem* status = app.FindTopic("frmCmd")->FindItem("txtStatus");
      common_and_own = {status->value, status->own.size()};
    });
    return common_and_own;
  };
  EXPECT_EQ(values(), std::pair(std::string("Ready"), std::size_t{1}));

  // A second client on a thread of its own (one DDEML client per thread) while this one pumps (a
  // thread that only waits ended the program in the other's DdeConnect): neither hears nor reads
  // the other's answers, and the one that leaves is forgotten.
  std::atomic<int> stage = 0;
  Strings other_told;  // stays empty when the client failed
  std::thread second([&] {
    try {
      auto other_transport = carrier.client([](std::string_view) {});
      AdvisedClient other(*other_transport, "Ready", "none");
      other.main->Execute("T other");
      Eventually(other_transport.get(), [&] { return other.outcomes.size() == 1u; });
      other_told = other.statuses;
      other_told.push_back(other.cmd->Request("txtStatus"));
      other_told.push_back(other.cmd->Request("txtOutcome"));
      stage = 1;
      while (stage != 2) {
        other_transport->Pump();
        std::this_thread::sleep_for(5ms);
      }
    } catch (...) {
      stage = 1;
    }
  });
  EXPECT_TRUE(Eventually(transport.get(), [&] { return stage == 1; }));
  EXPECT_EQ(other_told, (Strings{"Busy", "done T other", "done T other", "T other ok"}));
  EXPECT_EQ(mine.cmd->Request("txtStatus"), "done T mine");
  EXPECT_EQ(mine.cmd->Request("txtOutcome"), "T mine ok");
  EXPECT_EQ(values(), std::pair(std::string("Ready"), std::size_t{2}));
  stage = 2;
  second.join();
  EXPECT_TRUE(Eventually(transport.get(), [&] { return values().second == 1u; }));
  transport->Pump();
  EXPECT_EQ(mine.statuses, (Strings{"Busy", "done T mine", "Busy", "done T mine"}));
  EXPECT_EQ(mine.outcomes, (Strings{"T mine ok", "T mine ok"}));

  server->Do([](dde::ServerApplication& app) { app.FindTopic("frmCmd")->SetItem("txtStatus", "Idle"); });
  EXPECT_EQ(mine.statuses.back(), "done T mine");
  EXPECT_TRUE(Eventually(transport.get(), [&] { return mine.statuses.back() == "Idle"; }));
  EXPECT_EQ(mine.cmd->Request("txtStatus"), "Idle");

  // Past the window, what cannot be opened fails at once: a topic the server lacks, an
  // application nobody serves.
  transport->ServerLaunched();
  EXPECT_EQ(RaisedBy([&] { transport->Initiate("OTHER", "frmMain"); }), kNoResponse);
  const auto before = std::chrono::steady_clock::now();
  for (const auto& at : {std::pair{"WNORB16", "frmNone"}, {"OTHER", "frmCmd"}})
    EXPECT_EQ(RaisedBy([&] { transport->Initiate(at.first, at.second); }), kNoResponse)
        << at.first << '|' << at.second;
  // One that waited would take the window.
  EXPECT_LT(std::chrono::steady_clock::now() - before, carrier.start_wait);
  EXPECT_EQ(awaited, (Strings{application, "OTHER"}));

  // Refused and failed executes are not processed: 285, the refusal's own answer told still. One
  // answered after the client gave up timed out, 286, and its answer comes late.
  EXPECT_EQ(RaisedBy([&] { mine.main->Execute("NO THIS"); }), kRefused);
  EXPECT_TRUE(Eventually(transport.get(), [&] { return mine.statuses.back() == "refused NO THIS"; }));
  EXPECT_EQ(RaisedBy([&] { mine.cmd->Execute("THROW"); }), kRefused);
  EXPECT_EQ(RaisedBy([&] { mine.cmd->Request("txtNone"); }), kRefused);
  EXPECT_EQ(RaisedBy([&] { mine.main->Advise("txtStatus", [](const std::string&) {}); }), kRefused);
  EXPECT_EQ(RaisedBy([&] { mine.main->Execute("SLEEP 600"); }), kTimeout);
  EXPECT_TRUE(Eventually(transport.get(), [&] { return mine.statuses.back() == "done SLEEP 600"; }));
  mine.main->Execute("T next");
  EXPECT_TRUE(Eventually(transport.get(), [&] { return mine.statuses.back() == "done T next"; }));
  mine.cmd.reset();
  mine.main->Execute("T unheard");
  transport->Pump();
  EXPECT_EQ(mine.statuses.back(), "done T next");
  if (more) more(*transport);

  server.reset();
  EXPECT_EQ(RaisedBy([&] { mine.main->Execute("AFTER"); }), kQuit);
  EXPECT_EQ(RaisedBy([&] { mine.main->Request("txtStatus"); }), kQuit);
}

}  // namespace testing_support
