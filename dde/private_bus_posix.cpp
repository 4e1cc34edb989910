#include "dde/private_bus.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "posix/file_ops.hpp"
#include "posix/spawn.hpp"
#include "posix/whole_file.hpp"

namespace dde {
namespace {

constexpr auto kStartWait = std::chrono::seconds(5);
constexpr auto kStopWait = std::chrono::seconds(2);

// A session bus for one user's run: anyone on it may call and own names, as on the session bus,
// but no client may eavesdrop on messages meant for another.
std::string Config(const std::string& folder, std::size_t max_message_size) {
  return R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=)" +
         folder + R"(/bus</listen>
  <auth>EXTERNAL</auth>
  <limit name="max_message_size">)" +
         std::to_string(max_message_size) + R"(</limit>
  <policy context="default">
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";
}

// The daemon's first line on `fd`, or "" when none comes in time.
std::string ReadLine(int fd, std::chrono::steady_clock::time_point deadline) {
  std::string line;
  char c = 0;
  while (line.empty() || line.back() != '\n') {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{fd, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return {};
    if (::read(fd, &c, 1) != 1) return {};
    line += c;
  }
  line.pop_back();
  return line;
}

// What a terminating signal must remove, kept where a signal handler can reach it without
// allocating: the daemon and the paths of its folder.
constexpr std::size_t kPathRoom = 4096;
struct Leftovers {
  volatile sig_atomic_t armed = 0;
  pid_t daemon = -1;
  char folder[kPathRoom] = {};
  char files[3][kPathRoom] = {};
};
Leftovers leftovers;

void RemoveLeftoversAndDie(int signal_number) {
  if (leftovers.armed) {
    if (leftovers.daemon > 0) ::kill(leftovers.daemon, SIGTERM);
    for (const char* file : leftovers.files) ::unlink(file);
    ::rmdir(leftovers.folder);
  }
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

void CopyPath(char (&to)[kPathRoom], const std::string& from) {
  from.copy(to, kPathRoom - 1);
  to[std::min(from.size(), kPathRoom - 1)] = '\0';
}

}  // namespace

void PrivateBus::RemoveOnTermination() {
  leftovers.armed = 0;
  leftovers.daemon = pid_;
  CopyPath(leftovers.folder, folder_);
  CopyPath(leftovers.files[0], folder_ + "/bus");
  CopyPath(leftovers.files[1], folder_ + "/bus.conf");
  CopyPath(leftovers.files[2], folder_ + "/daemon.log");
  leftovers.armed = 1;
  struct sigaction action {};
  action.sa_handler = RemoveLeftoversAndDie;
  ::sigemptyset(&action.sa_mask);
  for (int signal_number : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal_number, &action, nullptr);
}

PrivateBus::PrivateBus(std::size_t max_message_size) {
  std::optional<std::string> folder = posix::MakeTempFolder("dde-bus-");
  if (!folder) throw std::runtime_error("cannot make a folder for a private bus");
  folder_ = *folder;
  const std::string config = folder_ + "/bus.conf";
  std::ofstream(config) << Config(folder_, max_message_size);

  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) {
    std::filesystem::remove_all(folder_);
    throw std::runtime_error("cannot make a pipe for a private bus");
  }
  const std::string log_path = folder_ + "/daemon.log";
  // Its complaints (it cannot raise its descriptor limit without privileges) would only be noise.
  const int log = ::open(log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  posix::SpawnRequest request;
  request.argv = {"dbus-daemon", "--config-file=" + config, "--nofork", "--print-address"};
  request.search_path = true;
  request.stdout_fd = out[1];
  request.stderr_fd = log;
  request.die_with_parent = true;
  pid_ = posix::Spawn(request).pid;
  if (log >= 0) ::close(log);
  ::close(out[1]);
  if (pid_ > 0) address_ = ReadLine(out[0], std::chrono::steady_clock::now() + kStartWait);
  ::close(out[0]);
  if (address_.empty()) {
    const std::string said = posix::ReadWholeFile(log_path).value_or("");
    Stop();
    throw std::runtime_error("dbus-daemon did not start (is it installed?) " + said);
  }
}

PrivateBus::~PrivateBus() { Stop(); }

void PrivateBus::Stop() {
  if (leftovers.daemon == pid_) leftovers.armed = 0;
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kStopWait;
    while (::waitpid(pid_, nullptr, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() >= deadline) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

}  // namespace dde
