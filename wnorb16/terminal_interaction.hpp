// The interactive engine's questions, asked on the terminal: a line of prompt, a line of answer.
#pragma once

#include <istream>
#include <ostream>

#include "wnorb16/interaction.hpp"

namespace wnorb16 {

class TerminalInteraction : public Interaction {
 public:
  TerminalInteraction(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

  std::optional<std::string> AskRevision(std::string_view file, bool extract) override;
  std::string AskLogMessage(std::string_view request, std::string_view default_message) override;
  std::optional<EngineConfig> EditConfig(const EngineConfig& current) override;

 private:
  // The answer with blanks trimmed; nullopt at the end of input.
  std::optional<std::string> Ask(const std::string& prompt);

  std::istream& in_;
  std::ostream& out_;
};

}  // namespace wnorb16
