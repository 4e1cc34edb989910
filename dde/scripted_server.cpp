#include "dde/scripted_server.hpp"

#include <algorithm>
#include <utility>

namespace dde {

ScriptedServer::ScriptedServer(InProcessBus& bus, ScriptedServerNames names)
    : application_(std::make_shared<ServerApplication>(std::move(names.application))),
      status_item_(std::move(names.status_item)) {
  for (auto& name : names.topics) application_->AddTopic(std::move(name));
  status_topic_ = &application_->AddTopic(std::move(names.status_topic));
  status_topic_->AddItem(status_item_);
  for (const auto& name : application_->TopicNames()) {
    ServerTopic& topic = *application_->FindTopic(name);
    topic.SetExecuteHandler([this, &topic](std::string_view command) { return Handle(topic, command); });
  }
  registration_ = bus.Register(application_);
}

void ScriptedServer::Reply(std::string prefix, std::vector<std::string> texts) {
  replies_.push_back({std::move(prefix), std::move(texts)});
}

void ScriptedServer::Refuse(std::string prefix) { refusals_.push_back(std::move(prefix)); }

void ScriptedServer::SetStatus(std::string text) {
  status_ = text;
  status_topic_->SetItem(status_item_, std::move(text));
}

bool ScriptedServer::Handle(const ServerTopic& topic, std::string_view command) {
  executes_.push_back({topic.Name(), std::string(command)});
  for (const auto& prefix : refusals_) {
    if (command.starts_with(prefix)) return false;
  }
  for (auto& rule : replies_) {
    if (!command.starts_with(rule.prefix)) continue;
    if (!rule.texts.empty()) SetStatus(rule.texts[std::min(rule.matches, rule.texts.size() - 1)]);
    ++rule.matches;
    return true;
  }
  return true;
}

}  // namespace dde
