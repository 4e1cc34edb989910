// The DDE transport inside one process: server applications register on the bus and clients of
// the same process talk to them. Scripted engines and tests use it; it never waits and never
// times out. The bus is one client of its servers: its executes and reads share one set of the
// servers' per-client values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "dde/server_application.hpp"
#include "dde/transport.hpp"

namespace dde {

class InProcessBus final : public Transport {
  struct State;
  class BusConversation;

 public:
  // An application's presence on the bus. Destroying or resetting it makes the application quit:
  // its conversations then answer 291 ("Foreign application quit") to every call, the error a
  // client gets from a partner that is gone, so nobody waits for it.
  class Registration {
   public:
    Registration() = default;
    Registration(Registration&& other) noexcept;
    Registration& operator=(Registration&& other) noexcept;
    ~Registration() { Reset(); }
    void Reset();

   private:
    friend class InProcessBus;
    Registration(std::weak_ptr<State> state, std::uint64_t id) : state_(std::move(state)), id_(id) {}
    std::weak_ptr<State> state_;
    std::uint64_t id_ = 0;
  };

  InProcessBus();
  // Conversations still open answer 291 from then on.
  ~InProcessBus() override;
  InProcessBus(const InProcessBus&) = delete;
  InProcessBus& operator=(const InProcessBus&) = delete;

  // std::invalid_argument when an application of that name is registered already.
  [[nodiscard]] Registration Register(std::shared_ptr<ServerApplication> application);

  std::unique_ptr<Conversation> Initiate(std::string_view application, std::string_view topic) override;
  void Pump() override;

  // Conversations not yet dropped: a link that drops must not leave one behind.
  std::size_t ConversationCount() const;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace dde
