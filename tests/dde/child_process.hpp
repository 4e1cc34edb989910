// A program the tests start (busctl, python3, the engine, vbhost), its stdout and stderr read through one
// pipe. Every wait is bounded; the child dies with the test, and is killed when the object goes.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "posix/spawn.hpp"

namespace testing_support {

class ChildProcess {
 public:
  explicit ChildProcess(std::vector<std::string> argv) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) std::abort();
    posix::SpawnRequest request;
    request.argv = std::move(argv);
    request.search_path = request.die_with_parent = true;
    request.stdout_fd = request.stderr_fd = out[1];
    pid_ = posix::Spawn(request).pid;
    ::close(out[1]);
    out_ = out[0];
  }
  ~ChildProcess() {
    Kill();
    ::close(out_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The next line of output; "" when none comes within `wait`.
  std::string ReadLine(std::chrono::milliseconds wait) {
    const auto until = std::chrono::steady_clock::now() + wait;
    while (buffer_.find('\n') == std::string::npos) {
      if (!Fill(until)) return {};
    }
    std::string line = buffer_.substr(0, buffer_.find('\n'));
    buffer_.erase(0, line.size() + 1);
    return line;
  }

  struct Result {
    int exit_code = -1;  // also when it did not end within the wait, or a signal ended it
    std::string output;
  };
  // Everything it writes until it ends, within `wait`; killed when it takes longer.
  Result Finish(std::chrono::milliseconds wait) {
    const auto until = std::chrono::steady_clock::now() + wait;
    while (Fill(until)) {
    }
    if (std::chrono::steady_clock::now() >= until) Kill();
    Result result{pid_ > 0 ? posix::WaitForExit(pid_) : -1, std::exchange(buffer_, {})};
    pid_ = -1;
    return result;
  }

  pid_t pid() const { return pid_; }

  void Kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    posix::WaitForExit(std::exchange(pid_, -1));
  }

 private:
  // Reads what is there; false at the end of output or the deadline.
  bool Fill(std::chrono::steady_clock::time_point until) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    pollfd p{out_, POLLIN, 0};
    char chunk[4096];
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    const ssize_t n = ::read(out_, chunk, sizeof chunk);
    if (n > 0) buffer_.append(chunk, static_cast<std::size_t>(n));
    return n > 0;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  std::string buffer_;
};

}  // namespace testing_support
