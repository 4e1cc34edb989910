// The engine as the DDE application "WNORB16": executes arrive on topic "frmMain", the answer
// goes to item "txtStatus" of topic "frmCmd" before the execute returns, because the add-in
// reads it right after its LinkExecute. The answer is the sender's own; other clients keep
// theirs.
//
// What an engine window would show goes to everyone as item "txtOutcome" of "frmCmd": the
// outcome of every command that changes files or answers with a report (E, U, -C, CONFIG) and
// of every refused one, as "> <command>" CR LF and the status. Lock queries, G2LOCKING, CD and
// L only go to the log, so a pass over a project's locks costs no extra message; only the first
// lock answer the store gave without its server (Engine::TakeNews) goes to everyone, once a pass.
//
// An answer longer than the link carries (MaxAnswer) is cut, with a last line saying so; the
// terminal and the log have the whole of it.
//
// Commands and answers are UTF-8 here, as the link and the terminal carry them; the engine
// itself works in the active code page.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "dde/server_application.hpp"
#include "wnorb16/engine.hpp"
#include "wnorb16/link_limits.hpp"
#include "wnorb16/status_log.hpp"

namespace wnorb16 {

inline constexpr char kApplicationName[] = "WNORB16";
inline constexpr char kCommandTopic[] = "frmMain";
inline constexpr char kStatusTopic[] = "frmCmd";
inline constexpr char kStatusItem[] = "txtStatus";
inline constexpr char kOutcomeItem[] = "txtOutcome";

// Whether the command's outcome is published, not only logged.
bool IsPublishedOutcome(std::string_view command, std::string_view status);
// The text of txtOutcome for a command and its status.
std::string OutcomeText(std::string_view command, std::string_view status);

// The engine's answer to a UTF-8 command, in UTF-8.
std::string ExecuteUtf8(Engine& engine, std::string_view command);

class EngineServer {
 public:
  // Told each command that came over the link and the status it left, after the status is set.
  using Observer = std::function<void(std::string_view command, const std::string& status)>;

  // Every command, from the link or typed, goes to `log` with its status when there is one.
  explicit EngineServer(Engine& engine, Observer observer = {}, StatusLog* log = nullptr);

  Engine& engine() const { return engine_; }

  void SetAnswerLimit(std::size_t bytes) { answer_limit_ = bytes; }

  // The application to publish on a transport.
  std::shared_ptr<dde::ServerApplication> application() const { return application_; }

  // A command typed at the terminal: its status is the terminal's own, so no client's status
  // changes; its outcome is published as one from the link. The observer is not told.
  std::string Execute(std::string_view command);

 private:
  std::string Handle(std::string_view command, std::string_view who);
  // The command and its status to the log, and its outcome to everyone when it is published or
  // `news`.
  // `log_at_once`: the log line is written through now rather than held until the engine is idle.
  void Record(std::string_view command, std::string_view who, const std::string& status, bool news,
              bool log_at_once);
  // The status to the client whose command it answers, and to the observer.
  void Answer(std::string_view command, const std::string& status);

  Engine& engine_;
  Observer observer_;
  StatusLog* log_;
  std::size_t answer_limit_ = kMaxAnswerBytes;
  std::shared_ptr<dde::ServerApplication> application_;
  dde::ServerTopic* status_topic_;
};

}  // namespace wnorb16
