// Publishes a ServerApplication on D-Bus (names as dbus_names.hpp says) and serves it on the
// caller's thread: either Run() until Stop(), or an outer poll() loop that also watches other
// descriptors (a terminal) and calls ProcessPending() whenever GetPollData() says so.
//
// Executes run one at a time, one per ProcessPending, in the order they came; a client's later
// calls wait for its execute. A command that waits for something slow may call ProcessPending
// meanwhile (the application's own loop is held up): the connections are read on, reads of items
// answered, and an execute the topic can run beside the one in hand (ServerTopic::ExecuteBeside)
// answered at once; the others wait their turn, their replies held back.
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
//
// No client can take the server down or starve the others: direct connections are capped per
// client and in all, and leave descriptors free for the application's own use; a client that
// leaves much unread hears no more changes for everyone, and a connection whose client leaves its
// own answers unread, or sends a message too long or too slowly, is closed. The server serves on.
#pragma once

#include <cstddef>
#include <functional>
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

// What one client may cost the server; the numbers are the defaults an application may lower.
struct ServerLimits {
  std::size_t direct_per_client = 2;
  std::size_t direct_in_all = 16;
  // Descriptors left free below the process's limit when a connection is made, for the
  // application's children's pipes.
  int descriptor_reserve = 64;
  // Bytes sent on a direct connection that its client has not read yet: beyond this it is left
  // out of changes for everyone, beyond twice this (its own answers unread) it is closed.
  std::size_t unread = std::size_t{40} << 20;
  // One message arriving on a direct connection, and how long it may take to arrive whole.
  std::size_t message = std::size_t{4} << 20;
  int message_ms = 5000;
};

class DbusServer {
 public:
  // Told, in a sentence, what the server did to a client that went beyond its limits.
  using Note = std::function<void(const std::string& text)>;

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
  explicit DbusServer(std::shared_ptr<ServerApplication> application, const std::string& bus_address = {},
                      ServerLimits limits = {}, Note note = {});
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

  // While the application's thread is held up by a command (from the link or its own) that
  // waits for something slow: reads the connections and answers what can run beside the command
  // in hand, never another command. Errors as ProcessPending.
  void ServeBeside();

  // Serves until Stop(); errors as ProcessPending.
  void Run();
  // Makes Run return (at once, if called before it). Safe from any thread and from a handler.
  void Stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace dde
