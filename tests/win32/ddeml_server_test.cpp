// The engine's server over Windows' own DDE, with the link's DDEML client talking to it: each
// client its own answers, the advise loop an execute feeds, VB's numbers from what DDEML reports,
// and the wait for a launched server. As the D-Bus server's tests, on the same test engine.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "dde/ddeml_server.hpp"
#include "dde/ddeml_transport.hpp"
#include "tests/dde/raised.hpp"
#include "tests/dde/test_engine.hpp"

namespace {

using namespace std::chrono_literals;
using namespace testing_support;
using Strings = std::vector<std::string>;

// The test engine served over DDEML by Run on a thread of its own.
class ServerThread {
 public:
  ServerThread() {
    thread_ = std::thread([this] {
      dde::DdemlServer server(engine_);
      {
        std::lock_guard lock(mutex_);
        server_ = &server;
      }
      ready_.notify_all();
      for (;;) {
        server.Run();
        std::lock_guard lock(mutex_);
        if (quit_) break;
        if (work_) work_(*engine_);
        work_ = nullptr;
        ready_.notify_all();
      }
    });
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [&] { return server_ != nullptr; });
  }
  ~ServerThread() { Quit(); }
  // Runs `work` on the server's thread between messages, as the engine changes its items.
  void Do(std::function<void(dde::ServerApplication&)> work) {
    std::unique_lock lock(mutex_);
    work_ = std::move(work);
    server_->Stop();
    ready_.wait(lock, [&] { return !work_; });
  }
  // The server ends, as when its process exits.
  void Quit() {
    if (!thread_.joinable()) return;
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
      server_->Stop();
    }
    thread_.join();
  }

 private:
  std::shared_ptr<dde::ServerApplication> engine_ = MakeTestEngine();
  std::mutex mutex_;
  std::condition_variable ready_;
  dde::DdemlServer* server_ = nullptr;
  std::function<void(dde::ServerApplication&)> work_;
  bool quit_ = false;
  std::thread thread_;
};

// Without a launch an initiate fails at once; after one the first waits for the launched server,
// and says so. Then two clients: each reads and is told its own answers only, the execute on
// frmMain feeding the advise loops on frmCmd; a client that leaves is forgotten; a change outside
// an execute is everyone's. Once the launch's window has passed, what cannot be opened fails at
// once again; then what DDE refuses, and the exit.
TEST(DdemlServer, AnInitiateWaitsForALaunchedServerWhereEachClientHasItsOwnAnswersUntilItsExit) {
  dde::DdemlTransport transport(300ms, 1500ms);
  Strings awaited;
  transport.OnAwait([&](std::string_view application) { awaited.emplace_back(application); });
  EXPECT_EQ(RaisedBy([&] { transport.Initiate("WNORB16", "frmCmd"); }), kNoResponse);
  EXPECT_TRUE(awaited.empty());
  transport.ServerLaunched();
  std::unique_ptr<ServerThread> server;
  std::thread starter([&] {
    std::this_thread::sleep_for(300ms);
    server = std::make_unique<ServerThread>();
  });
  // DDE's names compare without case. (Wine opens one conversation per topic and client, so this
  // one goes before the client's.)
  EXPECT_EQ(RaisedBy([&] { transport.Initiate("wnorb16", "FRMCMD"); }), kNothing);
  starter.join();
  EXPECT_EQ(awaited, Strings{"wnorb16"});
  AdvisedClient mine(transport, "Ready", "none");

  for (int round = 1; round <= 2; ++round) {
    mine.main->Execute("T mine");
    EXPECT_TRUE(Eventually(&transport, [&] { return mine.outcomes.size() == 1u * round; }));
    EXPECT_EQ(mine.cmd->Request("txtStatus"), "done T mine");
    EXPECT_EQ(mine.cmd->Request("TXTOUTCOME"), "T mine ok");  // DDE's names, any case
  }
  transport.Pump();
  EXPECT_EQ(mine.statuses, (Strings{"Busy", "done T mine", "Busy", "done T mine"}));
  EXPECT_EQ(mine.outcomes, (Strings{"T mine ok", "T mine ok"}));
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
      dde::DdemlTransport other_transport(300ms);
      AdvisedClient other(other_transport, "Ready", "none");
      other.main->Execute("T other");
      Eventually(&other_transport, [&] { return other.outcomes.size() == 1u; });
      other_told = other.statuses;
      other_told.push_back(other.cmd->Request("txtStatus"));
      other_told.push_back(other.cmd->Request("txtOutcome"));
      stage = 1;
      while (stage != 2) {
        other_transport.Pump();
        std::this_thread::sleep_for(5ms);
      }
    } catch (...) {
      stage = 1;
    }
  });
  EXPECT_TRUE(Eventually(&transport, [&] { return stage == 1; }));
  EXPECT_EQ(other_told, (Strings{"Busy", "done T other", "done T other", "T other ok"}));
  EXPECT_EQ(mine.cmd->Request("txtStatus"), "done T mine");
  EXPECT_EQ(mine.cmd->Request("txtOutcome"), "T mine ok");
  EXPECT_EQ(values(), std::pair(std::string("Ready"), std::size_t{2}));
  stage = 2;
  second.join();
  EXPECT_TRUE(Eventually(&transport, [&] { return values().second == 1u; }));
  transport.Pump();
  EXPECT_EQ(mine.statuses, (Strings{"Busy", "done T mine", "Busy", "done T mine"}));

  // A change outside an execute reaches every advise loop.
  server->Do([](dde::ServerApplication& app) { app.FindTopic("frmCmd")->SetItem("txtStatus", "Idle"); });
  EXPECT_TRUE(Eventually(&transport, [&] { return mine.statuses.back() == "Idle"; }));
  EXPECT_EQ(mine.cmd->Request("txtStatus"), "Idle");

  // What a client cannot open, past the launch's window: a topic the server lacks, an application
  // nobody serves, an item for a topic.
  std::this_thread::sleep_for(1500ms);
  const auto before = std::chrono::steady_clock::now();
  for (const auto& [application, topic] :
       {std::pair{"WNORB16", "frmNone"}, {"OTHER", "frmMain"}, {"WNORB16", "txtStatus"}}) {
    EXPECT_EQ(RaisedBy([&] { transport.Initiate(application, topic); }), kNoResponse)
        << application << '|' << topic;
  }
  EXPECT_LT(std::chrono::steady_clock::now() - before, 1500ms);  // one that waited would take that
  EXPECT_EQ(awaited.size(), 1u);

  // Refused and failed executes are not processed: 285, the refusal's own answer told still; one
  // answered after the client gave up timed out: 286.
  EXPECT_EQ(RaisedBy([&] { mine.main->Execute("NO THIS"); }), kRefused);
  EXPECT_TRUE(Eventually(&transport, [&] { return mine.statuses.back() == "refused NO THIS"; }));
  EXPECT_EQ(RaisedBy([&] { mine.cmd->Execute("THROW"); }), kRefused);
  EXPECT_EQ(RaisedBy([&] { mine.cmd->Request("txtNone"); }), kRefused);
  EXPECT_EQ(RaisedBy([&] { mine.main->Advise("txtStatus", [](const std::string&) {}); }), kRefused);
  EXPECT_EQ(RaisedBy([&] { mine.main->Execute("SLEEP 600"); }),
            (Raised{286, "Timeout while waiting for DDE response"}));

  // The server's exit ends its conversations.
  server->Quit();
  EXPECT_EQ(RaisedBy([&] { mine.main->Execute("AFTER"); }), kQuit);
  EXPECT_EQ(RaisedBy([&] { mine.cmd->Request("txtStatus"); }), kQuit);
}

}  // namespace
