#include "wnorb16/terminal_interaction.hpp"

#include <string>

namespace wnorb16 {

namespace {
// Typed to leave a file alone, or to clear a setting.
constexpr char kNone[] = "-";
}  // namespace

std::optional<std::string> TerminalInteraction::Ask(const std::string& prompt) {
  out_ << prompt << std::flush;
  std::string line;
  if (!std::getline(in_, line)) return std::nullopt;
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
  while (!line.empty() && line.front() == ' ') line.erase(0, 1);
  return line;
}

std::optional<std::string> TerminalInteraction::AskRevision(std::string_view file, bool extract) {
  std::optional<std::string> answer = Ask(
      extract ? "Revision of " + std::string(file) + " to extract (Enter: the latest, -: leave it): "
              : "New revision number for " + std::string(file) + " (Enter: the usual one, -: leave it): ");
  if (!answer || *answer == kNone) return std::nullopt;
  return answer;
}

std::string TerminalInteraction::AskLogMessage(std::string_view request, std::string_view default_message) {
  return Ask("Log message for " + std::string(request) + " (Enter: \"" + std::string(default_message) +
             "\"): ")
      .value_or("");
}

std::optional<EngineConfig> TerminalInteraction::EditConfig(const EngineConfig& current) {
  EngineConfig changed = current;
  out_ << "Settings (Enter keeps a value, - clears Archives):\n";
  std::optional<std::string> locking =
      Ask(std::string("  Locking (Y/N) [") + (current.locking ? "Y" : "N") + "]: ");
  if (!locking) return std::nullopt;
  if (!locking->empty()) changed.locking = (*locking)[0] != 'N' && (*locking)[0] != 'n';
  std::optional<std::string> user = Ask("  UserID [" + current.user_id + "]: ");
  if (!user) return std::nullopt;
  if (!user->empty()) changed.user_id = *user;
  std::optional<std::string> archives = Ask(
      "  Archives [" +
      (current.archives.empty() ? std::string("RCS folder or beside each file") : current.archives) + "]: ");
  if (!archives) return std::nullopt;
  if (*archives == kNone) {
    changed.archives.clear();
  } else if (!archives->empty()) {
    changed.archives = *archives;
  }
  if (changed == current) return std::nullopt;
  return changed;
}

}  // namespace wnorb16
