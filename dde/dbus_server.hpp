// Publishes a ServerApplication on D-Bus (names as dbus_names.hpp says) and serves it on the
// caller's thread: either Run() until Stop(), or an outer poll() loop that also watches other
// descriptors (a terminal) and calls ProcessPending() whenever GetPollData() says so.
//
// An execute runs the topic's handler for the client that sent it (its unique name); the item
// changes it makes go out as PropertiesChanged to that client alone (a signal with a
// destination) before the reply, so a client that drains its queue after the call has them
// all, and a property Get answers the caller's own value. A refusal is the error
// dde.Error.Refused. Changes for everyone go out as broadcasts as they happen. A client that
// leaves the bus is forgotten.
//
// It also offers direct connections (dbus_names.hpp): each one a socket pair made for the client
// that asked, its other end handed over the bus, so only that client holds it and no file is left
// behind. A change for that client goes over its connection instead of the bus; a change for
// everyone goes over both. Where no connection can be offered, the server is reached over the bus.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "dde/server_application.hpp"

namespace dde {

// The application's bus name belongs to another connection: that server is running already.
class ApplicationRunning : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class DbusServer {
 public:
  // One descriptor stands for the bus and every direct connection.
  struct PollData {
    int fd = -1;
    short events = 0;
    int timeout_ms = -1;  // -1: no time-out, 0: work is pending, call ProcessPending first
  };

  // Publishes on the user's session bus, or on the bus at `bus_address` when one is given. The
  // topics and items the application has now are published; ones added later are not. The
  // objects go up before the name, so a client that sees the name finds its topics.
  // Throws ApplicationRunning, std::invalid_argument for a name D-Bus cannot carry, and
  // std::runtime_error when the bus cannot be reached.
  explicit DbusServer(std::shared_ptr<ServerApplication> application, const std::string& bus_address = {});
  // Leaves the bus: clients' conversations answer 291 from then on.
  ~DbusServer();
  DbusServer(const DbusServer&) = delete;
  DbusServer& operator=(const DbusServer&) = delete;

  const std::string& BusName() const;

  // What to poll for before the next ProcessPending.
  PollData GetPollData() const;
  // Handles every request that has arrived; never waits. Throws std::runtime_error when the
  // connection to the bus is lost.
  void ProcessPending();

  // Serves until Stop(); errors as ProcessPending.
  void Run();
  // Makes Run return (at once, if called before it). Safe from any thread and from a handler.
  void Stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace dde
