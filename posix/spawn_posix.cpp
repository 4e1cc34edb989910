#include <fcntl.h>
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
  for (auto& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

Spawned Spawn(const SpawnRequest& request) {
  if (request.argv.empty()) return {-1, EINVAL};
  std::vector<std::string> arguments = request.argv;
  std::vector<char*> argv = Pointers(arguments);
  std::vector<std::string> variables = request.environment.value_or(std::vector<std::string>{});
  std::vector<char*> envp = Pointers(variables);
  char** env = request.environment ? envp.data() : environ;

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
    if (request.die_with_parent) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(127);
    }
    int null = open("/dev/null", O_RDONLY);
    if (null >= 0 && null != STDIN_FILENO) {
      dup2(null, STDIN_FILENO);
      close(null);
    }
    if (request.stdout_fd >= 0) dup2(request.stdout_fd, STDOUT_FILENO);
    if (request.stderr_fd >= 0) dup2(request.stderr_fd, STDERR_FILENO);
    if (request.search_path) {
      execvpe(argv[0], argv.data(), env);
    } else {
      execve(argv[0], argv.data(), env);
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

int WaitForExit(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace posix
