// The link over Windows' own DDE (DDEML), for the Windows build: a client instance whose
// conversations carry the link's protocol (LinkConversation) to any DDE server.
#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string_view>

#include "dde/transport.hpp"

namespace dde {

class DdemlCarrier;

// How long a client waits for a server's answer to one transaction; tests lower it.
inline constexpr std::chrono::milliseconds kDdemlTimeout{10000};
// How long after a launch an initiate may wait for the launched server to answer, as over D-Bus:
// the add-in links right after it starts the engine. One window per launch, shared by the
// initiates in it.
inline constexpr std::chrono::milliseconds kDdemlServerStartWait{3000};

class DdemlTransport : public Transport {
 public:
  // A DDEML client instance of this thread (a thread may have several); raises 282 when DDEML
  // cannot start one. It serves while this thread dispatches its messages.
  explicit DdemlTransport(std::chrono::milliseconds timeout = kDdemlTimeout,
                          std::chrono::milliseconds start_wait = kDdemlServerStartWait);
  ~DdemlTransport() override;
  DdemlTransport(const DdemlTransport&) = delete;
  DdemlTransport& operator=(const DdemlTransport&) = delete;

  // Raises 282 when no server answers for the application and topic. Until `start_wait` after
  // the last ServerLaunched it asks again while this thread's messages are dispatched, as DDE
  // cannot tell a server still starting from none; without a launch it never waits.
  std::unique_ptr<Conversation> Initiate(std::string_view application, std::string_view topic) override;
  void ServerLaunched() override;
  // Told the application whenever an initiate begins to wait for it (a host's transcript).
  void OnAwait(std::function<void(std::string_view application)> observer) {
    on_await_ = std::move(observer);
  }
  // Dispatches this thread's waiting messages (DDE's come as messages), then delivers what they
  // brought, rethrowing what an item's callback threw.
  void Pump() override;

  // DDEML's callback for the instances of the calling thread (its handles as void*): an advised
  // item's change goes to its conversation, in whichever of the thread's transports holds it.
  static void* Callback(unsigned type, unsigned format, void* conversation, void* hsz1, void* hsz2,
                        void* data, std::uintptr_t data1, std::uintptr_t data2);

 private:
  friend class DdemlCarrier;

  unsigned long instance_ = 0;
  std::chrono::milliseconds timeout_;
  std::chrono::milliseconds start_wait_;
  std::chrono::steady_clock::time_point start_deadline_{};
  std::function<void(std::string_view)> on_await_;
  std::map<void*, DdemlCarrier*> carriers_;  // by conversation handle, for the callback
  std::exception_ptr pending_;               // what a callback threw, for Settle or Pump
};

}  // namespace dde
