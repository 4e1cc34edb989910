#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "posix/spawn.hpp"
#include "vbrt/code_page.hpp"
#include "wnorb16/rcs/rcs_runner.hpp"

extern char** environ;

namespace wnorb16::rcs {

namespace {

class Pipe {
 public:
  Pipe() {
    if (pipe2(fds_, O_CLOEXEC) != 0) fds_[0] = fds_[1] = -1;
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  bool ok() const { return fds_[0] >= 0; }
  int read_end() const { return fds_[0]; }
  int write_end() const { return fds_[1]; }
  void CloseRead() { Close(fds_[0]); }
  void CloseWrite() { Close(fds_[1]); }

 private:
  static void Close(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  int fds_[2];
};

std::vector<std::string> ChildEnvironment(const std::string& user) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    std::string_view entry = *e;
    if (entry.starts_with("LOGNAME=") || entry.starts_with("RCSINIT=")) continue;
    env.emplace_back(entry);
  }
  env.push_back("LOGNAME=" + user);
  return env;
}

// Drains both pipes until the child has closed them; either may fill while the other is read.
void Drain(Pipe& out, Pipe& err, RcsResult& result) {
  pollfd fds[2] = {{out.read_end(), POLLIN, 0}, {err.read_end(), POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open_count = 2;
  char buffer[65536];
  while (open_count > 0) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (n <= 0) {
        fds[i].fd = -1;
        --open_count;
        continue;
      }
      sinks[i]->append(buffer, static_cast<std::size_t>(n));
    }
  }
}

}  // namespace

std::size_t RcsRunner::ArgumentRoom(const std::string& user) const {
  // Kept free for the program's own words and what the kernel adds (its name, alignment).
  constexpr std::size_t kMargin = 16 * 1024;
  // Linux allows no more than this however large the stack limit is.
  constexpr std::size_t kKernelMost = 6 * 1024 * 1024;
  const long limit = sysconf(_SC_ARG_MAX);
  std::size_t room = limit > 0 ? std::min(static_cast<std::size_t>(limit), kKernelMost) : 128 * 1024;
  for (const auto& entry : ChildEnvironment(user)) room -= std::min(room, ArgumentBytes(entry));
  return room > kMargin ? room - kMargin : 0;
}

std::string RcsRunner::TextArgument(const std::string& argument) {
  // The texts RCS writes into an archive are UTF-8, as every Linux tool writes them.
  return vb::ActiveCodePage().ToUtf8(argument);
}

RcsResult RcsRunner::Spawn(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& user) const {
  RcsResult result;
  Pipe out, err;
  if (!out.ok() || !err.ok()) return result;

  posix::SpawnRequest request;
  request.argv = arguments;
  request.program = folder_.empty() ? program : folder_ + "/" + program;
  request.search_path = folder_.empty();
  request.environment = ChildEnvironment(user);
  request.stdout_fd = out.write_end();
  request.stderr_fd = err.write_end();
  posix::Spawned child = posix::Spawn(request);
  out.CloseWrite();
  err.CloseWrite();
  if (child.pid < 0) {
    result.err = program + ": " + std::strerror(child.error) + "\n";
    return result;
  }
  result.started = true;
  Drain(out, err, result);
  result.exit_code = posix::WaitForExit(child.pid);
  return result;
}

}  // namespace wnorb16::rcs
