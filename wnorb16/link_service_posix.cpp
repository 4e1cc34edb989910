#include <poll.h>

#include <cerrno>
#include <string>

#include "dde/dbus_server.hpp"
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
  try {
    while (true) {
      dde::DbusServer::PollData data = bus->GetPollData();
      if (data.timeout_ms == 0) {
        bus->ProcessPending();
        continue;
      }
      pollfd fds[2] = {{data.fd, data.events, 0}, {terminal != nullptr ? terminal->fd() : -1, POLLIN, 0}};
      int ready = poll(fds, terminal != nullptr ? 2 : 1, data.timeout_ms);
      if (ready < 0 && errno != EINTR) return {LinkOutcome::kLost, "poll failed"};
      if (ready == 0 || fds[0].revents != 0) bus->ProcessPending();
      if (terminal != nullptr && console != nullptr && (fds[1].revents & (POLLIN | POLLHUP)) != 0) {
        if (!TakeTypedLine(*console, *terminal)) return {LinkOutcome::kEnded, ""};
      }
    }
  } catch (const std::exception& e) {
    return {LinkOutcome::kLost, e.what()};
  }
}

void ServeTerminal(Console& console, TerminalInput& terminal) {
  console.Prompt();
  while (TakeTypedLine(console, terminal)) {
  }
}

}  // namespace wnorb16
