// The test engine in a process of its own, so a test can kill it in the middle of an execute.
// Usage: dbus_test_server BUS_ADDRESS. Says "serving" on stdout once its name is on the bus.
#include <cstdio>
#include <exception>

#include "dde/dbus_server.hpp"
#include "tests/dde/test_engine.hpp"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: dbus_test_server BUS_ADDRESS\n", stderr);
    return 2;
  }
  try {
    dde::DbusServer server(testing_support::MakeTestEngine(), argv[1]);
    std::puts("serving");
    std::fflush(stdout);
    server.Run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "dbus_test_server: %s\n", e.what());
    return 1;
  }
  return 0;
}
