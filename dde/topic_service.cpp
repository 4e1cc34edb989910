#include "dde/topic_service.hpp"

#include <exception>

namespace dde {

ExecuteAnswer AnswerExecute(ServerTopic& topic, std::string_view command, const ClientId& client) {
  try {
    if (topic.Execute(command, client)) return {};
  } catch (const std::exception& e) {
    return {ExecuteAnswer::Kind::kFailed, e.what()};
  }
  return {ExecuteAnswer::Kind::kRefused, topic.Name() + " refused the command"};
}

std::optional<ExecuteAnswer> AnswerBeside(ServerTopic& topic, std::string_view command,
                                          const ClientId& client) {
  try {
    if (topic.ExecuteBeside(command, client)) return ExecuteAnswer{};
  } catch (const std::exception& e) {
    return ExecuteAnswer{ExecuteAnswer::Kind::kFailed, e.what()};
  }
  return std::nullopt;
}

std::string ItemValueFor(const ServerTopic& topic, std::string_view item, const ClientId& client) {
  const ServerItem* found = topic.FindItem(item);
  return found ? found->ValueFor(client) : std::string();
}

}  // namespace dde
