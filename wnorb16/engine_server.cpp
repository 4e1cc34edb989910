#include "wnorb16/engine_server.hpp"

#include "dde/code_page_link.hpp"

namespace wnorb16 {

EngineServer::EngineServer(Engine& engine, Observer observer)
    : engine_(engine),
      observer_(std::move(observer)),
      application_(std::make_shared<dde::ServerApplication>(kApplicationName)) {
  status_topic_ = &application_->AddTopic(kStatusTopic);
  status_topic_->AddItem(kStatusItem);
  dde::ServerTopic& command_topic = application_->AddTopic(kCommandTopic);
  // Every command is taken, refused ones too: the add-in learns the refusal from the status.
  command_topic.SetExecuteHandler([this](std::string_view command) {
    std::string status = Execute(command);
    if (observer_) observer_(command, status);
    return true;
  });
}

std::string ExecuteUtf8(Engine& engine, std::string_view command) {
  // A command that cannot be carried is answered so, never executed half-converted.
  std::string text = dde::FromLink(command, "command");
  return dde::ToLink(dde::Carried(command) ? engine.Execute(text) : text);
}

std::string EngineServer::Execute(std::string_view command) {
  std::string status = ExecuteUtf8(engine_, command);
  status_topic_->SetItem(kStatusItem, status);
  return status;
}

}  // namespace wnorb16
