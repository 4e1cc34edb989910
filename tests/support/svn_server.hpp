// A Subversion server of a test's own: a repository in a temporary folder served by svnserve on
// the loopback interface (a free port), users ann and bob with a password file, and working
// copies checked out as either, each with a configuration folder holding its credentials (plain
// text, which only such a test folder may hold). The server is stopped with the object.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "posix/spawn.hpp"
#include "tests/support/temp_folder.hpp"

namespace testing_support {

// Runs a program to its end, its output to `out` (else discarded, as its errors are); answers its
// exit status.
inline int RunQuietly(std::vector<std::string> argv, int out = -1) {
  const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  posix::SpawnRequest request;
  request.argv = std::move(argv);
  request.search_path = true;
  request.stdout_fd = out < 0 ? null : out;
  request.stderr_fd = null;
  posix::Spawned started = posix::Spawn(request);
  close(null);
  return started.pid < 0 ? -1 : posix::WaitForExit(started.pid);
}

class SvnServer {
 public:
  inline static const char* kPassword[2][2] = {{"ann", "ann-secret-1"}, {"bob", "bob-secret-2"}};

  explicit SvnServer(const TempFolder& temp) : temp_(temp) {
    const std::string repo = temp_ / "repo";
    if (RunQuietly({"svnadmin", "create", repo}) != 0) throw std::runtime_error("svnadmin create failed");
    temp_.Write("repo/conf/svnserve.conf",
                "[general]\nanon-access = none\nauth-access = write\npassword-db = passwd\n");
    std::string users = "[users]\n";
    for (auto& [user, password] : kPassword) users += std::string(user) + " = " + password + "\n";
    temp_.Write("repo/conf/passwd", users);
    port_ = FreePort();
    Start();
  }
  ~SvnServer() { Stop(); }
  SvnServer(const SvnServer&) = delete;
  SvnServer& operator=(const SvnServer&) = delete;

  // Serves the repository (again) on its port.
  void Start() {
    const std::string repo = temp_ / "repo", port = std::to_string(port_);
    posix::SpawnRequest request;
    request.argv = {"svnserve", "-d", "--foreground", "--listen-host", "127.0.0.1", "--listen-port", port,
                    "-r",       repo};
    request.search_path = true;
    request.die_with_parent = true;
    pid_ = posix::Spawn(request).pid;
    if (pid_ < 0) throw std::runtime_error("svnserve did not start");
    WaitUntilServing();
  }
  // Stops the server altogether: connections are refused, and those open are closed.
  void Stop() {
    if (pid_ < 0) return;
    Resume();
    Signal(SIGTERM, false);
    posix::Terminate(pid_);
    posix::WaitForExit(pid_);
    pid_ = -1;
  }
  // Hangs the server (SIGSTOP): connections are taken by the system and never answered, those an
  // engine keeps open (a process each) included.
  void Pause() const { Signal(SIGSTOP, true); }
  void Resume() const { Signal(SIGCONT, true); }

  std::string url() const { return "svn://127.0.0.1:" + std::to_string(port_); }

  // The configuration folder of `user` (ann or bob), credentials stored by its first checkout.
  std::string ConfigDir(const std::string& user) const { return temp_ / (user + "-config"); }

  // Checks the repository out into `folder` of the temporary folder as `user`; answers its path.
  std::string CheckOut(const std::string& user, const std::string& folder) const {
    const std::string config = ConfigDir(user);
    temp_.Write(user + "-config/config", "[auth]\npassword-stores =\n");
    temp_.Write(user + "-config/servers", "[global]\nstore-plaintext-passwords = yes\n");
    std::string password;
    for (auto& [name, secret] : kPassword) password = name == user ? secret : password;
    if (RunQuietly({"svn", "checkout", "--non-interactive", "--config-dir", config, "--username", user,
                    "--password", password, url(), temp_ / folder}) != 0) {
      throw std::runtime_error("svn checkout failed");
    }
    return temp_ / folder;
  }

  // Runs svn as `user` in its configuration (a person at a terminal), its output to `out`.
  int Svn(const std::string& user, std::vector<std::string> arguments, int out = -1) const {
    std::vector<std::string> argv = {"svn", "--non-interactive", "--config-dir", ConfigDir(user)};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunQuietly(argv, out);
  }

  // Runs svn as `user` and answers what it printed; "" when it failed.
  std::string SvnOutput(const std::string& user, std::vector<std::string> arguments) const {
    const std::string file = temp_ / "svn-output";
    const int out = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const bool ok = Svn(user, std::move(arguments), out) == 0;
    close(out);
    return ok ? Contents(file) : "";
  }

 private:
  // Sends `signal` to the processes serving a connection each, and with `server` to the server.
  void Signal(int signal, bool server) const {
    if (server) ::kill(pid_, signal);
    const std::string pid = std::to_string(pid_);
    std::istringstream children(Contents("/proc/" + pid + "/task/" + pid + "/children"));
    for (pid_t child = 0; children >> child;) ::kill(child, signal);
  }

  static int FreePort() {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      close(s);
      throw std::runtime_error("no free port");
    }
    close(s);
    return ntohs(address.sin_port);
  }

  void WaitUntilServing() const {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < until) {
      const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_port = htons(static_cast<uint16_t>(port_));
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      const bool up = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
      close(s);
      if (up) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    throw std::runtime_error("svnserve does not answer");
  }

  const TempFolder& temp_;
  int port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace testing_support
