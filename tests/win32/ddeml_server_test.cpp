// The engine's server over Windows' own DDE, with the link's DDEML client talking to it: the
// link contract (tests/dde/link_contract.hpp) the D-Bus carriers keep too, on the same test engine.
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
#include "tests/dde/link_contract.hpp"

namespace {

using namespace std::chrono_literals;
using namespace testing_support;

// The test engine served over DDEML by Run on a thread of its own.
class ServerThread final : public EngineServer {
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
  ~ServerThread() override { Quit(); }
  // On the server's thread between messages.
  void Do(const std::function<void(dde::ServerApplication&)>& work) override {
    std::unique_lock lock(mutex_);
    work_ = work;
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

// DDE's names compare without case, and an item is no topic.
TEST(DdemlServer, KeepsTheLinkContract) {
  const Carrier ddeml{[](std::function<void(std::string_view)> on_await) {
                        auto transport = std::make_unique<dde::DdemlTransport>(300ms, 1500ms);
                        transport->OnAwait(std::move(on_await));
                        return transport;
                      },
                      [] { return std::make_unique<ServerThread>(); }, 1500ms, true, true};
  CheckLinkContract(ddeml, [](dde::Transport& transport) {
    EXPECT_EQ(RaisedBy([&] { transport.Initiate("WNORB16", "txtStatus"); }), kNoResponse);
  });
}

}  // namespace
