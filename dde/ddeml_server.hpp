// Publishes a ServerApplication over Windows' own DDE (DDEML), for the Windows build: its name as
// a DDE service, its topics and their items, served on the thread that made it while that
// thread's messages are dispatched (Run, or any message loop of the application's own).
//
// A client is a client thread (its process and thread): the conversations it opens on several
// topics are one client, so an execute on one topic changes the client's own value of an item on
// another, as on D-Bus. Its own changes are advised to its conversations alone, before the
// execute's answer; changes for everyone go to every advise loop. A refused or failed execute is
// answered DDE_FNOTPROCESSED. A client whose last conversation ends is forgotten. Destroying the
// server ends every conversation: the clients' calls answer 291 from then on.
#pragma once

#include <memory>
#include <stdexcept>

#include "dde/server_application.hpp"

namespace dde {

class DdemlServer {
 public:
  // Registers the application's name on the calling thread, with the topics and items it has
  // now; throws std::runtime_error when DDEML cannot start a server instance there (one per
  // thread). The application's items must change on this thread only.
  explicit DdemlServer(std::shared_ptr<ServerApplication> application);
  ~DdemlServer();
  DdemlServer(const DdemlServer&) = delete;
  DdemlServer& operator=(const DdemlServer&) = delete;

  // Dispatches this thread's messages until Stop().
  void Run();
  // Makes Run return; safe from any thread.
  void Stop();

  // The instance's state, for DDEML's callback; dde/ddeml_server_win32.cpp's own.
  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace dde
