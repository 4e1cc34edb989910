#include "dde/in_process_bus.hpp"

#include <algorithm>
#include <deque>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "vbrt/error.hpp"

namespace dde {

namespace {
// The bus is one client of its servers: every conversation is of this one process.
constexpr std::string_view kClient = ":in-process";
}  // namespace

struct InProcessBus::State {
  struct Server {
    std::shared_ptr<ServerApplication> application;
    std::uint64_t id;
    int listener;
  };
  // One conversation: which registration and topic it talks to, and its advised items by the
  // server's spelling of their names.
  struct Channel {
    std::uint64_t server;
    std::string topic;
    std::map<std::string, ItemCallback, std::less<>> advised;
  };
  struct Update {
    std::uint64_t channel;
    std::string item;
    std::string value;
  };

  std::vector<Server> servers;
  std::map<std::uint64_t, Channel> channels;
  // Item updates wait here until the client pumps, as they would in a message queue.
  std::deque<Update> pending;
  std::uint64_t next_id = 1;

  std::shared_ptr<ServerApplication> FindServer(std::uint64_t id) const {
    for (const auto& s : servers) {
      if (s.id == id) return s.application;
    }
    return nullptr;
  }

  void Unregister(std::uint64_t id) {
    auto it = std::find_if(servers.begin(), servers.end(), [id](const Server& s) { return s.id == id; });
    if (it == servers.end()) return;
    it->application->RemoveItemListener(it->listener);
    servers.erase(it);
  }

  void ItemChanged(std::uint64_t server, const ServerTopic& topic, const std::string& item,
                   const std::string& value, const ClientId& client) {
    if (!client.empty() && client != kClient) return;
    for (const auto& [id, channel] : channels) {
      if (channel.server == server && channel.topic == topic.Name() && channel.advised.contains(item)) {
        pending.push_back({id, item, value});
      }
    }
  }

  void Deliver() {
    while (!pending.empty()) {
      Update update = std::move(pending.front());
      pending.pop_front();
      auto channel = channels.find(update.channel);
      if (channel == channels.end()) continue;
      auto advised = channel->second.advised.find(update.item);
      if (advised == channel->second.advised.end()) continue;
      // A copy: the callback may advise the item anew and so replace the stored one.
      ItemCallback on_change = advised->second;
      on_change(update.value);
    }
  }
};

class InProcessBus::BusConversation final : public Conversation {
 public:
  BusConversation(std::shared_ptr<State> state, std::uint64_t id) : state_(std::move(state)), id_(id) {}
  ~BusConversation() override { state_->channels.erase(id_); }

  void Execute(std::string_view command) override {
    const std::uint64_t server_id = Mine().server;
    // Held for the call: the server may quit while it handles the command.
    auto server = state_->FindServer(server_id);
    if (!server) vb::Raise(vb::err::ForeignApplicationQuit);
    const bool taken = server->FindTopic(Mine().topic)->Execute(command, kClient);
    state_->Deliver();
    if (!state_->FindServer(server_id)) vb::Raise(vb::err::ForeignApplicationQuit);
    if (!taken) vb::Raise(vb::err::DdeRefused);
  }

  std::string Request(std::string_view item) override { return Find(item).ValueFor(kClient); }

  std::string Advise(std::string_view item, ItemCallback on_change) override {
    const ServerItem& found = Find(item);
    Mine().advised.insert_or_assign(found.name, std::move(on_change));
    return found.ValueFor(kClient);
  }

 private:
  State::Channel& Mine() { return state_->channels.at(id_); }

  const ServerItem& Find(std::string_view item) {
    auto server = state_->FindServer(Mine().server);
    if (!server) vb::Raise(vb::err::ForeignApplicationQuit);
    const ServerItem* found = server->FindTopic(Mine().topic)->FindItem(item);
    if (!found) vb::Raise(vb::err::DdeRefused);
    return *found;
  }

  std::shared_ptr<State> state_;
  std::uint64_t id_;
};

InProcessBus::Registration::Registration(Registration&& other) noexcept
    : state_(std::move(other.state_)), id_(std::exchange(other.id_, 0)) {}

InProcessBus::Registration& InProcessBus::Registration::operator=(Registration&& other) noexcept {
  if (this != &other) {
    Reset();
    state_ = std::move(other.state_);
    id_ = std::exchange(other.id_, 0);
  }
  return *this;
}

void InProcessBus::Registration::Reset() {
  if (auto state = state_.lock()) state->Unregister(id_);
  state_.reset();
  id_ = 0;
}

InProcessBus::InProcessBus() : state_(std::make_shared<State>()) {}

InProcessBus::~InProcessBus() {
  while (!state_->servers.empty()) state_->Unregister(state_->servers.front().id);
}

InProcessBus::Registration InProcessBus::Register(std::shared_ptr<ServerApplication> application) {
  if (!application) throw std::invalid_argument("no application to register");
  for (const auto& s : state_->servers) {
    if (SameName(s.application->Name(), application->Name())) {
      throw std::invalid_argument("DDE application " + application->Name() + " is registered already");
    }
  }
  const std::uint64_t id = state_->next_id++;
  std::weak_ptr<State> weak = state_;
  const int listener =
      application->AddItemListener([weak, id](const ServerTopic& topic, const std::string& item,
                                              const std::string& value, const ClientId& client) {
        if (auto state = weak.lock()) state->ItemChanged(id, topic, item, value, client);
      });
  state_->servers.push_back({std::move(application), id, listener});
  return Registration(state_, id);
}

std::unique_ptr<Conversation> InProcessBus::Initiate(std::string_view application, std::string_view topic) {
  for (const auto& s : state_->servers) {
    if (!SameName(s.application->Name(), application)) continue;
    ServerTopic* found = s.application->FindTopic(topic);
    if (!found) break;
    const std::uint64_t id = state_->next_id++;
    state_->channels.emplace(id, State::Channel{s.id, found->Name(), {}});
    return std::make_unique<BusConversation>(state_, id);
  }
  vb::Raise(vb::err::DdeNoResponse);
}

void InProcessBus::Pump() { state_->Deliver(); }

std::size_t InProcessBus::ConversationCount() const { return state_->channels.size(); }

}  // namespace dde
