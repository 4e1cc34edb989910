// Points "the user's session bus" somewhere else for one scope, to test the session-bus path
// without touching the user's bus. Only while the test runs no other thread.
#pragma once

#include <string>

#include "tests/support/temp_folder.hpp"

namespace testing_support {

struct SessionBusAt : ScopedEnv {
  explicit SessionBusAt(const std::string& address)
      : ScopedEnv("DBUS_SESSION_BUS_ADDRESS", address.c_str()) {}
};

}  // namespace testing_support
