#include <fcntl.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "posix/spawn.hpp"

extern char** environ;

namespace posix {

namespace {

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  pointers.reserve(strings.size() + 1);
  for (auto& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

Spawned Spawn(const SpawnRequest& request) {
  if (request.argv.empty()) return {-1, EINVAL};
  const std::string program = request.program.empty() ? request.argv.front() : request.program;
  std::vector<std::string> arguments = request.argv;
  std::vector<char*> argv = Pointers(arguments);
  std::vector<std::string> variables = request.environment.value_or(std::vector<std::string>{});
  std::vector<char*> envp = Pointers(variables);
  char** env = request.environment ? envp.data() : environ;

  // posix_spawn is the cheaper start (no copy of this process's page tables); only a death with
  // the parent needs a fork of our own.
  if (!request.die_with_parent) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (request.stdout_fd >= 0) posix_spawn_file_actions_adddup2(&actions, request.stdout_fd, STDOUT_FILENO);
    if (request.stderr_fd >= 0) posix_spawn_file_actions_adddup2(&actions, request.stderr_fd, STDERR_FILENO);
    pid_t pid = -1;
    int error = request.search_path ? posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), env)
                                    : posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), env);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? Spawned{pid, 0} : Spawned{-1, error};
  }

  // The child writes the errno of a failed exec here; a successful exec closes it unwritten.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return {-1, errno};
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) {
    int error = errno;
    close(report[0]);
    close(report[1]);
    return {-1, error};
  }
  if (pid == 0) {
    // Only async-signal-safe calls between fork and exec.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    int null = open("/dev/null", O_RDONLY);
    if (null >= 0 && null != STDIN_FILENO) {
      dup2(null, STDIN_FILENO);
      close(null);
    }
    if (request.stdout_fd >= 0) dup2(request.stdout_fd, STDOUT_FILENO);
    if (request.stderr_fd >= 0) dup2(request.stderr_fd, STDERR_FILENO);
    if (request.search_path) {
      execvpe(program.c_str(), argv.data(), env);
    } else {
      execve(program.c_str(), argv.data(), env);
    }
    int error = errno;
    (void)!write(report[1], &error, sizeof error);
    _exit(127);
  }
  close(report[1]);
  int error = 0;
  ssize_t n;
  while ((n = read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  close(report[0]);
  if (n == static_cast<ssize_t>(sizeof error)) {
    WaitForExit(pid);
    return {-1, error};
  }
  return {pid, 0};
}

void Terminate(pid_t pid) {
  if (pid > 0) kill(pid, SIGTERM);
}

int WaitForExit(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace posix
