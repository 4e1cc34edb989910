// The interactive engine's terminal: the status text shown after every command, whether it was
// typed here or came over the link, and commands typed in the engine's own language. It never
// waits for the person: a question (CONFIG's settings) is asked, and its answer is the next
// line typed, while the link is served in between.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "wnorb16/engine_server.hpp"

namespace wnorb16 {

class Console {
 public:
  Console(EngineServer& server, std::ostream& out) : server_(server), out_(out) {}

  void Greet();
  // The prompt, or the question the next typed line answers.
  void Prompt();
  // A line typed at the terminal; false when it asks to end the engine.
  bool Typed(std::string_view line);
  // A command that came over the link, with the status it left.
  void FromLink(std::string_view command, const std::string& status);

 private:
  // CONFIG typed here: the settings asked one by one, then written to WNORB.INI and read again.
  struct SettingsEdit {
    EngineConfig settings;
    int asked = 0;  // the questions answered so far
  };
  void Answer(std::string_view answer);
  void Show(const std::string& status);

  EngineServer& server_;
  std::ostream& out_;
  std::optional<SettingsEdit> edit_;
};

}  // namespace wnorb16
