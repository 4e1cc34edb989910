// Serving the engine on the bus: the application "WNORB16" as the name dde.WNORB16, its
// commands handled one at a time on this thread, the terminal (when there is one) watched in the
// same loop.
#pragma once

#include <string>

#include "wnorb16/console.hpp"
#include "wnorb16/engine_server.hpp"
#include "wnorb16/link_limits.hpp"
#include "wnorb16/status_log.hpp"
#include "wnorb16/terminal_input.hpp"

namespace wnorb16 {

enum class LinkOutcome {
  kEnded,          // the person ended the engine, or its terminal closed
  kSignalled,      // SIGTERM or SIGHUP came (end_signals.hpp); the command in hand was finished
  kAlreadyServed,  // another engine owns the name; it is left undisturbed
  kNoBus,          // the bus cannot be reached
  kLost,           // the connection to the bus was lost
};

struct LinkResult {
  LinkOutcome outcome;
  std::string detail;
};

// Publishes `server` on the session bus (or at `bus_address`) and serves until the end. With a
// console, typed lines are taken too; without one it serves until the bus goes away or an end
// signal comes, which is looked for before every command. What is done to a client beyond
// `limits` goes to `log`, and the log lines it holds are written once nothing came for 100 ms.
LinkResult ServeLink(EngineServer& server, const std::string& bus_address, Console* console,
                     TerminalInput* terminal, const LinkLimits& limits = {}, StatusLog* log = nullptr);

// The terminal alone, when no bus can be had, until it closes or an end signal comes.
void ServeTerminal(Console& console, TerminalInput& terminal);

}  // namespace wnorb16
