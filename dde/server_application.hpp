// The server side of DDE, apart from any transport: an application name with topics; each topic
// takes executes and holds named string items. A transport publishes it (InProcessBus::Register).
//
// Each client has its own answers: an item changed while an execute is handled changes for the
// client that sent it, who alone is told and alone reads the new value; another client reads its
// own last value, or the item's common one. Without that, two clients of one server read each
// other's answers. A change made outside any execute, or made shared on purpose, is everyone's.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dde {

// DDE names (applications, topics, items) compare without regard to case.
bool SameName(std::string_view a, std::string_view b);

class ServerApplication;

// Who sent an execute: the transport's name for the client's connection (on D-Bus its unique
// name). Empty: no client in particular, so everyone.
using ClientId = std::string;

struct ServerItem {
  std::string name;
  std::string value;  // what a client reads that has no value of its own
  std::map<ClientId, std::string, std::less<>> own;

  const std::string& ValueFor(std::string_view client) const;
};

class ServerTopic {
 public:
  // Answers whether the command was taken; a refusal reaches the client as error 285.
  using ExecuteHandler = std::function<bool(std::string_view command)>;
  // Runs a command that came while another is in hand (waiting for something slow) when it can be
  // run beside it, and answers true; false leaves it to wait its turn.
  using BesideHandler = std::function<bool(std::string_view command)>;

  ServerTopic(ServerApplication& application, std::string name);
  ServerTopic(const ServerTopic&) = delete;
  ServerTopic& operator=(const ServerTopic&) = delete;

  const std::string& Name() const { return name_; }

  // Without a handler every execute is refused. The handler's item changes belong to `client`.
  void SetExecuteHandler(ExecuteHandler handler) { on_execute_ = std::move(handler); }
  bool Execute(std::string_view command, std::string_view client = {});
  // Without a handler every command waits its turn. The handler's item changes belong to `client`.
  void SetBesideHandler(BesideHandler handler) { on_beside_ = std::move(handler); }
  bool ExecuteBeside(std::string_view command, std::string_view client = {});

  // Declares an item; declaring it again keeps its value.
  void AddItem(std::string item, std::string value = {});
  // Changes a declared item and tells the application's listeners, even when the value is the
  // same: for the client of the execute being handled, or for everyone outside an execute. An
  // undeclared item is the server's own mistake: std::out_of_range.
  void SetItem(std::string_view item, std::string value);
  // Changes the item for everyone, inside an execute too; clients' own values of it are dropped.
  void SetSharedItem(std::string_view item, std::string value);
  // Null for an item the topic does not have.
  const ServerItem* FindItem(std::string_view item) const;
  const std::vector<ServerItem>& Items() const { return items_; }

 private:
  friend class ServerApplication;
  void Change(std::string_view item, std::string value, const ClientId& client);

  ServerApplication& application_;
  std::string name_;
  ExecuteHandler on_execute_;
  BesideHandler on_beside_;
  std::vector<ServerItem> items_;
};

class ServerApplication {
 public:
  // `client` is the one client the change is for; empty when it is for everyone.
  using ItemListener = std::function<void(const ServerTopic& topic, const std::string& item,
                                          const std::string& value, const ClientId& client)>;

  explicit ServerApplication(std::string name) : name_(std::move(name)) {}
  ServerApplication(const ServerApplication&) = delete;
  ServerApplication& operator=(const ServerApplication&) = delete;

  const std::string& Name() const { return name_; }

  // Adding a topic the application already has answers the existing one.
  ServerTopic& AddTopic(std::string name);
  ServerTopic* FindTopic(std::string_view name);
  std::vector<std::string> TopicNames() const;

  // The transports that publish the application listen to its item changes. A listener must
  // not add or remove listeners.
  int AddItemListener(ItemListener listener);
  void RemoveItemListener(int id);

  // The client whose execute is being handled; empty outside an execute.
  const ClientId& CurrentClient() const { return current_client_; }
  // The client has left: its own values go, so memory follows the clients that are there.
  void ForgetClient(std::string_view client);

 private:
  friend class ServerTopic;
  void ItemChanged(const ServerTopic& topic, const std::string& item, const std::string& value,
                   const ClientId& client);

  std::string name_;
  ClientId current_client_;
  std::vector<std::unique_ptr<ServerTopic>> topics_;
  std::vector<std::pair<int, ItemListener>> listeners_;
  int next_listener_ = 1;
};

}  // namespace dde
