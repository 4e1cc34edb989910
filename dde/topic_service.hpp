// The server side of the link's protocol, once for every carrier that serves a topic: how an
// execute is answered and what an item reads for a client. A carrier says it in its own words
// (on D-Bus a reply or the errors of dbus_names.hpp).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "dde/server_application.hpp"

namespace dde {

struct ExecuteAnswer {
  enum class Kind { kTaken, kRefused, kFailed };
  Kind kind = Kind::kTaken;
  std::string why;  // what a refusal or failure tells the client
};

// Runs `command` for `client`. A handler that throws fails the command rather than the carrier:
// the client must not wait for a reply that never comes.
ExecuteAnswer AnswerExecute(ServerTopic& topic, std::string_view command, const ClientId& client);

// Runs `command` for `client` beside the execute in hand when the topic can; nullopt leaves it to
// wait its turn. A handler that throws fails the command, as AnswerExecute.
std::optional<ExecuteAnswer> AnswerBeside(ServerTopic& topic, std::string_view command,
                                          const ClientId& client);

// What `client` reads of the item: its own value, or the common one; "" for an item the topic
// does not have.
std::string ItemValueFor(const ServerTopic& topic, std::string_view item, const ClientId& client);

}  // namespace dde
