// A D-Bus daemon of one's own, in a temporary folder of mode 0700, so tests, benchmarks and
// vbhost runs serve and call on a bus that no other user can reach.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace dde {

class PrivateBus {
 public:
  // The longest message the daemon carries; it closes a connection that sends a longer one, as
  // soon as the message's header shows its length, so no unfinished message holds more.
  static constexpr std::size_t kMaxMessageSize = std::size_t{32} << 20;

  // Starts dbus-daemon with a configuration of its own (no service activation); throws
  // std::runtime_error when it is not listening within a few seconds. The daemon dies with the
  // thread that started it, so a crashed test leaves none behind. Tests lower the message size
  // to show what a client too big for its bus meets.
  explicit PrivateBus(std::size_t max_message_size = kMaxMessageSize);
  // Stops the daemon and removes its folder.
  ~PrivateBus();
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  // A program that owns the bus for its whole run calls this once: SIGTERM, SIGINT and SIGHUP
  // then stop the daemon and remove its folder before the program dies of the signal.
  void RemoveOnTermination();

  // What DbusTransport, DbusServer and `busctl --address` take.
  const std::string& Address() const { return address_; }
  // The daemon's process, for tests that stop it to show who talks without it.
  pid_t Pid() const { return pid_; }

 private:
  void Stop();

  std::string folder_;
  std::string address_;
  pid_t pid_ = -1;
};

}  // namespace dde
