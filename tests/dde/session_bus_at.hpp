// Points "the user's session bus" somewhere else for one scope, to test the session-bus path
// without touching the user's bus. Only while the test runs no other thread.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace testing_support {

class SessionBusAt {
 public:
  explicit SessionBusAt(const std::string& address) {
    if (const char* old = std::getenv(kVariable)) old_ = old;
    ::setenv(kVariable, address.c_str(), 1);
  }
  ~SessionBusAt() { old_ ? ::setenv(kVariable, old_->c_str(), 1) : ::unsetenv(kVariable); }
  SessionBusAt(const SessionBusAt&) = delete;
  SessionBusAt& operator=(const SessionBusAt&) = delete;

 private:
  static constexpr const char* kVariable = "DBUS_SESSION_BUS_ADDRESS";
  std::optional<std::string> old_;
};

}  // namespace testing_support
