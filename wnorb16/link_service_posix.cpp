#include <poll.h>

#include <cerrno>
#include <string>

#include "dde/dbus_server.hpp"
#include "wnorb16/end_signals.hpp"
#include "wnorb16/link_service.hpp"

namespace wnorb16 {

namespace {

// Takes every line the person typed; false when the engine is to end.
bool TakeTypedLine(Console& console, TerminalInput& terminal) {
  std::string line;
  if (!std::getline(terminal.stream(), line)) return false;
  if (!console.Typed(line)) return false;
  console.Prompt();
  return true;
}

}  // namespace

LinkResult ServeLink(EngineServer& server, const std::string& bus_address, Console* console,
                     TerminalInput* terminal, const LinkLimits& limits, StatusLog* log) {
  std::unique_ptr<dde::DbusServer> bus;
  server.SetAnswerLimit(limits.answer);
  dde::DbusServer::Note note;
  if (log != nullptr) note = [log](const std::string& text) { log->Note(text); };
  try {
    bus =
        std::make_unique<dde::DbusServer>(server.application(), bus_address, limits.server, std::move(note));
  } catch (const dde::ApplicationRunning& e) {
    return {LinkOutcome::kAlreadyServed, e.what()};
  } catch (const std::exception& e) {
    return {LinkOutcome::kNoBus, e.what()};
  }
  if (console != nullptr) console->Prompt();
  // While a command waits for the repository the link is served on, never throwing through the
  // command: a lost bus is said after it.
  std::string lost;
  server.engine().WhileWaiting([&] {
    if (!lost.empty()) return;
    try {
      bus->ServeBeside();
    } catch (const std::exception& e) {
      lost = e.what();
    }
  });
  struct Unhook {
    Engine& engine;
    ~Unhook() { engine.WhileWaiting(nullptr); }
  } unhook{server.engine()};
  try {
    while (true) {
      if (!lost.empty()) return {LinkOutcome::kLost, lost};
      if (int signal_number = EndSignalCaught())
        return {LinkOutcome::kSignalled, EndSignalText(signal_number)};
      dde::DbusServer::PollData data = bus->GetPollData();
      if (data.timeout_ms == 0) {
        bus->ProcessPending();
        continue;
      }
      pollfd fds[3] = {{EndSignalFd(), POLLIN, 0},
                       {data.fd, data.events, 0},
                       {terminal != nullptr ? terminal->fd() : -1, POLLIN, 0}};
      int ready = poll(fds, terminal != nullptr ? 3 : 2, data.timeout_ms);
      if (ready < 0 && errno != EINTR) return {LinkOutcome::kLost, "poll failed"};
      if (EndSignalCaught() != 0) continue;
      if (ready == 0 || fds[1].revents != 0) bus->ProcessPending();
      if (terminal != nullptr && console != nullptr && (fds[2].revents & (POLLIN | POLLHUP)) != 0) {
        if (!TakeTypedLine(*console, *terminal)) return {LinkOutcome::kEnded, ""};
      }
    }
  } catch (const std::exception& e) {
    return {LinkOutcome::kLost, e.what()};
  }
}

void ServeTerminal(Console& console, TerminalInput& terminal) {
  console.Prompt();
  while (EndSignalCaught() == 0) {
    pollfd fds[2] = {{EndSignalFd(), POLLIN, 0}, {terminal.fd(), POLLIN, 0}};
    if (poll(fds, 2, -1) < 0 && errno != EINTR) return;
    if (EndSignalCaught() != 0 || (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
    if (!TakeTypedLine(console, terminal)) return;
  }
}

}  // namespace wnorb16
