#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "wnorb16/end_signals.hpp"

namespace wnorb16 {

namespace {

volatile std::sig_atomic_t caught = 0;
int wake[2] = {-1, -1};

void Note(int signal_number) {
  const int saved = errno;
  if (caught == 0) caught = signal_number;
  const char byte = 1;
  (void)!::write(wake[1], &byte, 1);
  errno = saved;
}

}  // namespace

void CatchEndSignals() {
  // Without the pipe, a signal that comes just before a loop starts to wait is seen when it wakes.
  if (wake[0] < 0 && ::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) wake[0] = wake[1] = -1;
  struct sigaction action {};
  action.sa_handler = Note;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int signal_number : {SIGTERM, SIGHUP}) ::sigaction(signal_number, &action, nullptr);
}

int EndSignalCaught() { return caught; }

int EndSignalFd() { return wake[0]; }

void* EndSignalEvent() { return nullptr; }

std::string EndSignalText(int signal_number) {
  if (signal_number == SIGHUP) return "SIGHUP received";
  if (signal_number == SIGTERM) return "SIGTERM received";
  return "signal " + std::to_string(signal_number) + " received";
}

}  // namespace wnorb16
