// DDE links for tests: text-box links to one server held in memory. The server answers
// commands from a reply table; the commands it accepted are kept in order.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dde_link.hpp"

namespace fakes {

class FakeDdeLinks : public platform::DdeLinks {
 public:
  // A command starting with `prefix` sets the status text: successive matches take `texts` in
  // turn and the last one repeats. The first rule whose prefix matches wins; a command no rule
  // matches leaves the status as it was.
  void Reply(std::string prefix, std::vector<std::string> texts);
  // Commands starting with `prefix` raise 285 (refused).
  void RefuseCommands(std::string prefix) { refused_.push_back(std::move(prefix)); }

  // The accepted command strings, in order.
  const std::vector<std::string>& Commands() const { return commands_; }

  std::unique_ptr<platform::DdeLink> Create(std::string_view form, std::string_view control) override;

 private:
  class Link;
  struct Rule {
    std::string prefix;
    std::vector<std::string> texts;
    std::size_t next = 0;
  };

  void Execute(std::string_view command);

  std::vector<Rule> rules_;
  std::vector<std::string> refused_;
  std::string status_;
  std::vector<std::string> commands_;
};

}  // namespace fakes
