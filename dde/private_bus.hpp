// A D-Bus daemon of one's own, in a temporary folder, so tests and benchmarks run servers and
// clients against it and never against the user's session bus.
#pragma once

#include <sys/types.h>

#include <string>

namespace dde {

class PrivateBus {
 public:
  // Starts dbus-daemon with a configuration of its own (no service activation); throws
  // std::runtime_error when it is not listening within a few seconds. The daemon dies with the
  // thread that started it, so a crashed test leaves none behind.
  PrivateBus();
  // Stops the daemon and removes its folder.
  ~PrivateBus();
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  // What DbusTransport, DbusServer and `busctl --address` take.
  const std::string& Address() const { return address_; }

 private:
  void Stop();

  std::string folder_;
  std::string address_;
  pid_t pid_ = -1;
};

}  // namespace dde
