// DDE links for tests: text-box links to one server held in memory. The server answers
// commands from a reply table; every link write and every execute is recorded.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dde_link.hpp"

namespace fakes {

struct LinkModeWrite {
  std::string form;
  std::string control;
  std::string topic;
  std::string item;
  int mode = 0;
  bool ok = true;
  bool operator==(const LinkModeWrite&) const = default;
};
std::ostream& operator<<(std::ostream& out, const LinkModeWrite& write);

struct LinkExecuted {
  std::string topic;
  std::string command;
  bool ok = true;
  bool operator==(const LinkExecuted&) const = default;
};
std::ostream& operator<<(std::ostream& out, const LinkExecuted& execute);

class FakeDdeLinks : public platform::DdeLinks {
 public:
  // Whether a conversation can start: without it LinkMode 1 or 2 raises 282.
  bool server_present = true;
  // The server's application name, the part of a topic before the bar.
  std::string app = "WNORB16";

  // A command starting with `prefix` sets the status text: successive matches take `texts` in
  // turn and the last one repeats. The first rule whose prefix matches wins; a command no rule
  // matches leaves the status as it was.
  void Reply(std::string prefix, std::vector<std::string> texts);
  // Commands starting with `prefix` raise 285 (refused) or 286 (time-out).
  void RefuseCommands(std::string prefix) { refused_.push_back(std::move(prefix)); }
  void TimeOutCommands(std::string prefix) { timed_out_.push_back(std::move(prefix)); }
  // Runs after each accepted command, once its reply is in place: the server's side effects.
  void OnExecute(std::function<void(const LinkExecuted&)> hook) { hook_ = std::move(hook); }

  // The status text an automatic link on item "txtStatus" shows.
  void SetStatus(std::string status) { status_ = std::move(status); }
  const std::string& status() const { return status_; }

  const std::vector<LinkModeWrite>& mode_writes() const { return mode_writes_; }
  const std::vector<LinkExecuted>& executes() const { return executes_; }
  // The accepted command strings, in order.
  std::vector<std::string> Commands() const;

  std::unique_ptr<platform::DdeLink> Create(std::string_view form, std::string_view control) override;

 private:
  class Link;
  struct Rule {
    std::string prefix;
    std::vector<std::string> texts;
    std::size_t next = 0;
  };

  void Execute(const std::string& topic, std::string_view command);

  std::vector<Rule> rules_;
  std::vector<std::string> refused_;
  std::vector<std::string> timed_out_;
  std::function<void(const LinkExecuted&)> hook_;
  std::string status_;
  std::vector<LinkModeWrite> mode_writes_;
  std::vector<LinkExecuted> executes_;
};

}  // namespace fakes
