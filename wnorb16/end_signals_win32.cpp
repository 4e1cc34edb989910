#include <windows.h>

#include <atomic>

#include "wnorb16/end_signals.hpp"

namespace wnorb16 {

namespace {

// The console event plus one, so that Ctrl+C (event 0) is told from none.
std::atomic<int> caught{0};
HANDLE wake = nullptr;

BOOL WINAPI Note(DWORD event) {
  int expected = 0;
  caught.compare_exchange_strong(expected, static_cast<int>(event) + 1);
  if (wake != nullptr) ::SetEvent(wake);
  // Windows ends the process as soon as this returns from a close, logoff or shutdown: held here,
  // the command in hand is finished and the engine ends by itself (within the time Windows gives).
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
    ::Sleep(INFINITE);
  return TRUE;
}

}  // namespace

void CatchEndSignals() {
  if (wake == nullptr) wake = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ::SetConsoleCtrlHandler(Note, TRUE);
}

int EndSignalCaught() { return caught.load(); }

int EndSignalFd() { return -1; }

void* EndSignalEvent() { return wake; }

std::string EndSignalText(int signal_number) {
  switch (signal_number - 1) {
    case CTRL_C_EVENT:
      return "Ctrl+C pressed";
    case CTRL_BREAK_EVENT:
      return "Ctrl+Break pressed";
    case CTRL_CLOSE_EVENT:
      return "the console was closed";
    case CTRL_LOGOFF_EVENT:
      return "the user logs off";
    case CTRL_SHUTDOWN_EVENT:
      return "Windows shuts down";
    default:
      return "console event " + std::to_string(signal_number - 1) + " received";
  }
}

}  // namespace wnorb16
