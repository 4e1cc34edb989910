#include "dde/server_application.hpp"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "vbrt/strings.hpp"

namespace dde {

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && vb::LCase(a) == vb::LCase(b);
}

ServerTopic::ServerTopic(ServerApplication& application, std::string name)
    : application_(application), name_(std::move(name)) {}

const std::string& ServerItem::ValueFor(std::string_view client) const {
  if (client.empty()) return value;
  auto mine = own.find(client);
  return mine == own.end() ? value : mine->second;
}

namespace {

// Runs `handler` as `client`'s; the client of the execute in hand is restored afterwards, since a
// handler may run an execute of its own, or one beside it.
bool RunFor(ClientId& current, std::string_view client, const std::function<bool(std::string_view)>& handler,
            std::string_view command) {
  ClientId outer = std::exchange(current, ClientId(client));
  try {
    const bool taken = handler(command);
    current = std::move(outer);
    return taken;
  } catch (...) {
    current = std::move(outer);
    throw;
  }
}

}  // namespace

bool ServerTopic::Execute(std::string_view command, std::string_view client) {
  if (!on_execute_) return false;
  return RunFor(application_.current_client_, client, on_execute_, command);
}

bool ServerTopic::ExecuteBeside(std::string_view command, std::string_view client) {
  if (!on_beside_) return false;
  return RunFor(application_.current_client_, client, on_beside_, command);
}

void ServerTopic::AddItem(std::string item, std::string value) {
  if (FindItem(item)) return;
  items_.push_back({std::move(item), std::move(value), {}});
}

void ServerTopic::SetItem(std::string_view item, std::string value) {
  Change(item, std::move(value), application_.current_client_);
}

void ServerTopic::SetSharedItem(std::string_view item, std::string value) {
  Change(item, std::move(value), {});
}

void ServerTopic::Change(std::string_view item, std::string value, const ClientId& client) {
  auto it =
      std::find_if(items_.begin(), items_.end(), [&](const ServerItem& i) { return SameName(i.name, item); });
  if (it == items_.end()) throw std::out_of_range("topic " + name_ + " has no item " + std::string(item));
  if (client.empty()) {
    it->own.clear();
    it->value = std::move(value);
    application_.ItemChanged(*this, it->name, it->value, client);
  } else {
    std::string& mine = it->own[client];
    mine = std::move(value);
    application_.ItemChanged(*this, it->name, mine, client);
  }
}

const ServerItem* ServerTopic::FindItem(std::string_view item) const {
  for (const auto& i : items_) {
    if (SameName(i.name, item)) return &i;
  }
  return nullptr;
}

ServerTopic& ServerApplication::AddTopic(std::string name) {
  if (ServerTopic* existing = FindTopic(name)) return *existing;
  topics_.push_back(std::make_unique<ServerTopic>(*this, std::move(name)));
  return *topics_.back();
}

ServerTopic* ServerApplication::FindTopic(std::string_view name) {
  for (const auto& t : topics_) {
    if (SameName(t->Name(), name)) return t.get();
  }
  return nullptr;
}

std::vector<std::string> ServerApplication::TopicNames() const {
  std::vector<std::string> names;
  for (const auto& t : topics_) names.push_back(t->Name());
  return names;
}

int ServerApplication::AddItemListener(ItemListener listener) {
  listeners_.emplace_back(next_listener_, std::move(listener));
  return next_listener_++;
}

void ServerApplication::RemoveItemListener(int id) {
  std::erase_if(listeners_, [id](const auto& l) { return l.first == id; });
}

void ServerApplication::ForgetClient(std::string_view client) {
  for (const auto& topic : topics_) {
    for (auto& item : topic->items_) {
      if (auto mine = item.own.find(client); mine != item.own.end()) item.own.erase(mine);
    }
  }
}

void ServerApplication::ItemChanged(const ServerTopic& topic, const std::string& item,
                                    const std::string& value, const ClientId& client) {
  for (const auto& l : listeners_) l.second(topic, item, value, client);
}

}  // namespace dde
