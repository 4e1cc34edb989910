// A DDE server driven by rules, for scripted engines and tests: it takes executes on any of its
// topics, records them, and answers through its status item before the execute returns.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dde/in_process_bus.hpp"
#include "dde/server_application.hpp"

namespace dde {

struct ScriptedServerNames {
  std::string application = "WNORB16";
  std::vector<std::string> topics = {"frmMain", "frmCmd"};
  // Added to the topics when they lack it.
  std::string status_topic = "frmCmd";
  std::string status_item = "txtStatus";
};

struct ExecuteRecord {
  std::string topic;
  std::string command;

  bool operator==(const ExecuteRecord&) const = default;
};

// Rules match a command that begins with their prefix (case matters; "" matches every command).
// Refusal rules are checked first, then reply rules, each in the order defined; the first match
// decides. An unmatched command is taken and leaves the status as it was. Rules may be added at
// any time.
class ScriptedServer {
 public:
  explicit ScriptedServer(InProcessBus& bus, ScriptedServerNames names = {});
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  // Matching commands are taken and set the status to the texts in turn, the last one repeating;
  // with no texts the status stays as it was.
  void Reply(std::string prefix, std::vector<std::string> texts);
  // Matching commands are refused: the client gets error 285.
  void Refuse(std::string prefix);

  // A spontaneous change of the status item; advised clients see it at their next pump.
  void SetStatus(std::string text);
  // The last status set, by a rule or spontaneously.
  const std::string& Status() const { return status_; }

  // Every execute received, refused ones too, in order.
  const std::vector<ExecuteRecord>& Executes() const { return executes_; }

  // The server leaves the bus, as when its process ends; destroying it does the same.
  void Quit() { registration_.Reset(); }

 private:
  struct ReplyRule {
    std::string prefix;
    std::vector<std::string> texts;
    std::size_t matches = 0;
  };

  bool Handle(const ServerTopic& topic, std::string_view command);

  std::shared_ptr<ServerApplication> application_;
  ServerTopic* status_topic_;
  std::string status_item_;
  std::string status_;
  std::vector<std::string> refusals_;
  std::vector<ReplyRule> replies_;
  std::vector<ExecuteRecord> executes_;
  // Last, so it goes first: no execute reaches a half-destroyed server.
  InProcessBus::Registration registration_;
};

}  // namespace dde
