// The requests to end the engine from outside it (on POSIX SIGTERM and SIGHUP: a logout, a closed
// terminal, a service manager stopping the engine; on Windows the console's Ctrl+C, Ctrl+Break,
// close, logoff and shutdown) end the engine between commands, never inside one: a check-in cut
// short would leave its files locked with their edits. Catching them only notes the request;
// each loop that takes commands looks before taking the next and ends.
#pragma once

#include <string>

namespace wnorb16 {

// From now on the requests are noted, not fatal; a system call they interrupt goes on.
void CatchEndSignals();
// The request noted, 0 while none came.
int EndSignalCaught();
// POSIX: readable once a request was noted, for a loop that waits in poll.
int EndSignalFd();
// Windows: an event set once a request was noted, for a loop that waits on handles.
void* EndSignalEvent();
// "SIGHUP received", "Ctrl+C pressed", for the log.
std::string EndSignalText(int signal_number);

}  // namespace wnorb16
