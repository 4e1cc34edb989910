// The server the D-Bus tests talk to, shaped like the engine: WNORB16 with topics frmMain
// (commands) and frmCmd (commands, and the status item txtStatus, "Ready" at first).
//
// Every command sets the status twice, "Busy" and then "done <command>", so a client sees
// whether it got every update and in order. Commands beginning "NO" set "refused <command>" and
// are refused; "THROW" makes the handler throw; "SLEEP <ms>" sleeps before it answers; "HANG"
// says "hanging" on stdout and never answers (for a server in a child process only).
#pragma once

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

#include "dde/server_application.hpp"

namespace testing_support {

inline std::shared_ptr<dde::ServerApplication> MakeTestEngine() {
  auto engine = std::make_shared<dde::ServerApplication>("WNORB16");
  dde::ServerTopic& main = engine->AddTopic("frmMain");
  dde::ServerTopic& cmd = engine->AddTopic("frmCmd");
  cmd.AddItem("txtStatus", "Ready");
  auto handler = [&cmd](std::string_view command) {
    if (command == "HANG") {
      std::puts("hanging");
      std::fflush(stdout);
      while (true) ::pause();
    }
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

}  // namespace testing_support
