// Serving the engine's link: the application "WNORB16" (on Linux the bus name dde.WNORB16, on
// Windows the DDE service), its commands handled one at a time on this thread, the terminal (when
// there is one) watched in the same loop.
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
  kSignalled,      // an end request came (end_signals.hpp; on Windows also WM_CLOSE or WM_QUIT);
                   // the command in hand was finished
  kAlreadyServed,  // another engine owns the name; it is left undisturbed
  kNoBus,          // the bus cannot be reached (Windows: DDE cannot be served)
  kLost,           // the connection to the bus was lost
};

struct LinkResult {
  LinkOutcome outcome;
  std::string detail;
};

// Publishes `server` on the session bus (or at `bus_address`; Windows: as a DDE service, on this
// thread's message loop) and serves until the end. With a
// console, typed lines are taken too; without one it serves until the bus goes away or an end
// signal comes, which is looked for before every command. What is done to a client beyond
// `limits` goes to `log`.
LinkResult ServeLink(EngineServer& server, const std::string& bus_address, Console* console,
                     TerminalInput* terminal, const LinkLimits& limits = {}, StatusLog* log = nullptr);

// The terminal alone, when no bus can be had, until it closes or an end signal comes.
void ServeTerminal(Console& console, TerminalInput& terminal);

// Hands the console one typed line when one waits; false when the engine is to end (the input
// ended, or the line asked to end).
bool TakeTypedLine(Console& console, TerminalInput& terminal);

// What --help says of the link and of where WNORB.INI is looked for, on this system.
std::string LinkHelp();
// Why `bus_address` (--bus) cannot be served on this system; "" when it can.
std::string BusAddressProblem(const std::string& bus_address);

}  // namespace wnorb16
