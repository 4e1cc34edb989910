#include "wnorb16/console.hpp"

#include "vbrt/strings.hpp"
#include "wnorb16/status_text.hpp"

namespace wnorb16 {

namespace {
// Words of the terminal alone; the link never sends them.
constexpr std::string_view kEndWords[] = {"EXIT", "QUIT"};
}  // namespace

void Console::Greet(const Engine& engine) {
  out_
      << "WNORB16 engine. User " << engine.config().user_id << ", locking "
      << (engine.config().locking ? "on" : "off") << ", settings in " << engine.ini_path() << ".\n"
      << "Type commands as the add-in sends them (T, L, -C, E..W, U..W, CD, CONFIG, G2LOCKING); EXIT ends.\n";
}

void Console::Prompt() { out_ << "WNORB16> " << std::flush; }

bool Console::Typed(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  for (std::string_view word : kEndWords) {
    if (vb::UCase(vb::Trim(std::string(line))) == word) return false;
  }
  if (vb::Trim(std::string(line)).empty()) return true;
  Show(server_.Execute(line));
  return true;
}

void Console::FromLink(std::string_view command, const std::string& status) {
  out_ << "\n[link] " << command << "\n";
  Show(status);
  Prompt();
}

void Console::Show(const std::string& status) { out_ << status::ForPerson(status) << std::flush; }

}  // namespace wnorb16
