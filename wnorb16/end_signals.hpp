// SIGTERM and SIGHUP (a logout, a closed terminal, a service manager stopping the engine) end the
// engine between commands, never inside one: a check-in cut short would leave its files locked
// with their edits. Catching them only notes the signal; each loop that takes commands looks
// before taking the next and ends.
#pragma once

#include <string>

namespace wnorb16 {

// From now on SIGTERM and SIGHUP are noted, not fatal; a system call they interrupt goes on.
void CatchEndSignals();
// The signal noted, 0 while none came.
int EndSignalCaught();
// Readable once a signal was noted, for a loop that waits in poll.
int EndSignalFd();
// "SIGHUP received", for the log.
std::string EndSignalText(int signal_number);

}  // namespace wnorb16
