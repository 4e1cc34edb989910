// Starting a program: the one place the programs and their tests fork and exec, so every child
// gets the same care (no stray descriptors, standard input from /dev/null unless told, a
// reported failure to start).
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace posix {

struct SpawnRequest {
  std::vector<std::string> argv;  // argv[0] names the program
  // The file to run when it is not argv[0].
  std::string program;
  // nullopt: this process's environment.
  std::optional<std::vector<std::string>> environment;
  // Looks the program up in PATH when its name holds no "/".
  bool search_path = false;
  // Descriptors for the child's standard output and error; -1 keeps this process's.
  int stdout_fd = -1;
  int stderr_fd = -1;
  // The child is killed when this process dies (servers of a test or a run must not outlive it).
  bool die_with_parent = false;
};

struct Spawned {
  pid_t pid = -1;
  int error = 0;  // errno of a failed start; 0 when the program runs
};

Spawned Spawn(const SpawnRequest& request);

// Waits for the child and answers its exit status; -1 when a signal ended it.
int WaitForExit(pid_t pid);

// Asks a program this process started to end (SIGTERM).
void Terminate(pid_t pid);

}  // namespace posix
