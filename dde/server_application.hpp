// The server side of DDE, apart from any transport: an application name with topics; each topic
// takes executes and holds named string items. A transport publishes it (InProcessBus::Register).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dde {

// DDE names (applications, topics, items) compare without regard to case.
bool SameName(std::string_view a, std::string_view b);

class ServerApplication;

struct ServerItem {
  std::string name;
  std::string value;
};

class ServerTopic {
 public:
  // Answers whether the command was taken; a refusal reaches the client as error 285.
  using ExecuteHandler = std::function<bool(std::string_view command)>;

  ServerTopic(ServerApplication& application, std::string name);
  ServerTopic(const ServerTopic&) = delete;
  ServerTopic& operator=(const ServerTopic&) = delete;

  const std::string& Name() const { return name_; }

  // Without a handler every execute is refused.
  void SetExecuteHandler(ExecuteHandler handler) { on_execute_ = std::move(handler); }
  bool Execute(std::string_view command);

  // Declares an item; declaring it again keeps its value.
  void AddItem(std::string item, std::string value = {});
  // Changes a declared item and tells the application's listeners, even when the value is the
  // same. An undeclared item is the server's own mistake: std::out_of_range.
  void SetItem(std::string_view item, std::string value);
  // Null for an item the topic does not have.
  const ServerItem* FindItem(std::string_view item) const;
  const std::vector<ServerItem>& Items() const { return items_; }

 private:
  ServerApplication& application_;
  std::string name_;
  ExecuteHandler on_execute_;
  std::vector<ServerItem> items_;
};

class ServerApplication {
 public:
  using ItemListener =
      std::function<void(const ServerTopic& topic, const std::string& item, const std::string& value)>;

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

 private:
  friend class ServerTopic;
  void ItemChanged(const ServerTopic& topic, const std::string& item, const std::string& value);

  std::string name_;
  std::vector<std::unique_ptr<ServerTopic>> topics_;
  std::vector<std::pair<int, ItemListener>> listeners_;
  int next_listener_ = 1;
};

}  // namespace dde
