// The server the D-Bus tests talk to, shaped like the engine: WNORB16 with topics frmMain
// (commands) and frmCmd (commands, and the status item txtStatus, "Ready" at first). Every
// command sets the status twice, "Busy" and then "done <command>", so a client sees whether it
// got every update and in order; commands beginning "NO" set "refused <command>" and are
// refused, "THROW" makes the handler throw, "SLEEP <ms>" sleeps before it answers.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "dde/dbus_server.hpp"

namespace testing_support {

inline std::shared_ptr<dde::ServerApplication> MakeTestEngine() {
  auto engine = std::make_shared<dde::ServerApplication>("WNORB16");
  dde::ServerTopic& main = engine->AddTopic("frmMain");
  dde::ServerTopic& cmd = engine->AddTopic("frmCmd");
  cmd.AddItem("txtStatus", "Ready");
  auto handler = [&cmd](std::string_view command) {
    if (command == "THROW") throw std::runtime_error("handler failed");
    if (command.starts_with("SLEEP ")) {
      std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(std::string(command.substr(6)))));
    }
    if (command.starts_with("NO")) {
      cmd.SetItem("txtStatus", "refused " + std::string(command));
      return false;
    }
    cmd.SetItem("txtStatus", "Busy");
    cmd.SetItem("txtStatus", "done " + std::string(command));
    return true;
  };
  main.SetExecuteHandler(handler);
  cmd.SetExecuteHandler(handler);
  return engine;
}

// The test engine published on the bus at `address` and served by Run on a thread of its own.
class ServerThread {
 public:
  explicit ServerThread(const std::string& address) : server_(engine_, address) { Start(); }
  ~ServerThread() { Halt(); }
  ServerThread(const ServerThread&) = delete;
  ServerThread& operator=(const ServerThread&) = delete;

  // Runs `work` on the application while the server is halted, as the engine does between
  // executes.
  void Do(const std::function<void(dde::ServerApplication&)>& work) {
    Halt();
    work(*engine_);
    Start();
  }

 private:
  void Start() {
    thread_ = std::thread([this] { server_.Run(); });
  }
  void Halt() {
    server_.Stop();
    thread_.join();
  }

  std::shared_ptr<dde::ServerApplication> engine_ = MakeTestEngine();
  dde::DbusServer server_;
  std::thread thread_;
};

}  // namespace testing_support
