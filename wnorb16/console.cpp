#include "wnorb16/console.hpp"

#include "posix/whole_file.hpp"
#include "vbrt/error.hpp"
#include "vbrt/strings.hpp"
#include "wnorb16/status_text.hpp"

namespace wnorb16 {

namespace {
// Words of the terminal alone; the link never sends them.
constexpr std::string_view kEndWords[] = {"EXIT", "QUIT"};
// Typed to clear Archives.
constexpr char kNone[] = "-";
constexpr int kQuestions = 3;
}  // namespace

void Console::Greet() {
  const Engine& engine = server_.engine();
  out_ << "WNORB16 engine. User " << engine.config().user_id << ", locking "
       << (engine.config().locking ? "on" : "off") << ", settings in " << engine.ini_path() << ".\n";
  if (!engine.config_problem().empty())
    out_ << "The settings cannot be used: " << engine.config_problem() << "\n";
  out_ << "Type commands as the add-in sends them (T, L, -C, E..W, U..W, CD, CONFIG, G2LOCKING), COMMENT "
          "text\n"
          "or VERSION revision for your next check-in; EXIT ends.\n";
}

void Console::Prompt() {
  if (!edit_) {
    out_ << "WNORB16> " << std::flush;
    return;
  }
  const EngineConfig& current = edit_->settings;
  switch (edit_->asked) {
    case 0:
      out_ << "  Locking (Y/N) [" << (current.locking ? "Y" : "N") << "]: ";
      break;
    case 1:
      out_ << "  UserID [" << current.user_id << "]: ";
      break;
    default:
      out_ << "  Archives [" << server_.engine().ArchivesShown(current.archives) << "]: ";
      break;
  }
  out_ << std::flush;
}

bool Console::Typed(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  const std::string trimmed = vb::Trim(std::string(line));
  if (edit_) {
    Answer(trimmed);
    return true;
  }
  for (std::string_view word : kEndWords) {
    if (vb::UCase(trimmed) == word) return false;
  }
  if (trimmed.empty()) return true;
  if (vb::UCase(trimmed) == "CONFIG") {
    out_ << "Settings (Enter keeps a value, - clears Archives):\n";
    edit_ = SettingsEdit{server_.engine().config()};
    return true;
  }
  Show(server_.Execute(line));
  return true;
}

void Console::Answer(std::string_view answer) {
  EngineConfig& settings = edit_->settings;
  if (!answer.empty()) {
    switch (edit_->asked) {
      case 0:
        settings.locking = answer[0] != 'N' && answer[0] != 'n';
        break;
      case 1:
        settings.user_id = std::string(answer);
        break;
      default:
        settings.archives = answer == kNone ? std::string() : std::string(answer);
        break;
    }
  }
  if (++edit_->asked < kQuestions) return;
  const EngineConfig changed = settings;
  edit_.reset();
  const std::string& path = server_.engine().ini_path();
  if (changed != server_.engine().config()) {
    try {
      posix::WriteWholeFile(path, WriteConfig(posix::ReadWholeFile(path).value_or(""), changed));
    } catch (const vb::Error& e) {
      Show(status::Error("cannot write " + path + ": " + e.description()));
      return;
    }
  }
  Show(server_.Execute("CONFIG"));
}

void Console::FromLink(std::string_view command, const std::string& status) {
  out_ << "\n[link] " << command << "\n";
  Show(status);
  Prompt();
}

void Console::Show(const std::string& status) { out_ << status::ForPerson(status) << std::flush; }

}  // namespace wnorb16
