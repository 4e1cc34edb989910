#include <poll.h>

#include <cerrno>
#include <string>

#include "dde/dbus_server.hpp"
#include "wnorb16/end_signals.hpp"
#include "wnorb16/link_service.hpp"

namespace wnorb16 {

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

std::string LinkHelp() {
  return "the DDE link \"WNORB16\" (D-Bus name dde.WNORB16 on the\n"
         "session bus). Started alone at a terminal it is the interactive engine: it shows each status\n"
         "and takes the same commands typed; started alone without a terminal it serves like -L. While\n"
         "it serves, every command and its status go to WNORB.LOG beside WNORB.INI. WNORB.INI is read from\n"
         "$XDG_CONFIG_HOME/norbvb5 (~/.config/norbvb5) when it is there, else from beside the executable.";
}

std::string BusAddressProblem(const std::string&) { return ""; }

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
