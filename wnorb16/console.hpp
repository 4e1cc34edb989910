// The interactive engine's terminal: the status text shown after every command, whether it was
// typed here or came over the link, and commands typed in the engine's own language.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "wnorb16/engine_server.hpp"

namespace wnorb16 {

class Console {
 public:
  Console(EngineServer& server, std::ostream& out) : server_(server), out_(out) {}

  void Greet(const Engine& engine);
  void Prompt();
  // A line typed at the terminal; false when it asks to end the engine.
  bool Typed(std::string_view line);
  // A command that came over the link, with the status it left.
  void FromLink(std::string_view command, const std::string& status);

 private:
  void Show(const std::string& status);

  EngineServer& server_;
  std::ostream& out_;
};

}  // namespace wnorb16
