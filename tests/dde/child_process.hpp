// A program the tests start (busctl, a test server), its stdout and stderr read through one
// pipe. Every wait is bounded; the child dies with the test, and a child still running when the
// object goes is killed.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "posix/spawn.hpp"

namespace testing_support {

class ChildProcess {
 public:
  explicit ChildProcess(std::vector<std::string> argv) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    posix::SpawnRequest request;
    request.argv = std::move(argv);
    request.search_path = true;
    request.stdout_fd = request.stderr_fd = out[1];
    request.die_with_parent = true;
    pid_ = posix::Spawn(request).pid;
    ::close(out[1]);
    out_ = out[0];
  }
  ~ChildProcess() {
    Kill();
    if (out_ >= 0) ::close(out_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The next line of output; "" when none comes within `wait` or the output has ended.
  std::string ReadLine(std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (true) {
      if (auto newline = buffer_.find('\n'); newline != std::string::npos) {
        std::string line = buffer_.substr(0, newline);
        buffer_.erase(0, newline + 1);
        return line;
      }
      if (!Fill(deadline)) return {};
    }
  }

  struct Result {
    int exit_code = -1;  // -1: it did not end in time, or ended by a signal
    std::string output;
  };
  // Everything it writes until it ends, within `wait`; killed when it takes longer.
  Result Finish(std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (Fill(deadline)) {
    }
    Result result;
    result.output = std::move(buffer_);
    buffer_.clear();
    if (pid_ <= 0) return result;
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() >= deadline) {
        Kill();
        return result;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    pid_ = -1;
    if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
    return result;
  }

  pid_t pid() const { return pid_; }

  void Kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  // Reads what is there; false at the end of output or the deadline.
  bool Fill(std::chrono::steady_clock::time_point deadline) {
    if (out_ < 0) return false;
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{out_, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    char chunk[4096];
    const ssize_t n = ::read(out_, chunk, sizeof chunk);
    if (n <= 0) return false;
    buffer_.append(chunk, static_cast<std::size_t>(n));
    return true;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  std::string buffer_;
};

}  // namespace testing_support
