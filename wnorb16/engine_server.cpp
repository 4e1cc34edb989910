#include "wnorb16/engine_server.hpp"

#include "dde/code_page_link.hpp"
#include "wnorb16/command_words.hpp"
#include "wnorb16/status_text.hpp"

namespace wnorb16 {

namespace {
constexpr std::string_view kErrorStart = "ERROR:";
constexpr std::string_view kTerminal = "terminal";
}  // namespace

bool IsPublishedOutcome(std::string_view command, std::string_view status) {
  if (status.starts_with(kErrorStart)) return true;
  auto parsed = ParseCommand(command);
  const Command* taken = std::get_if<Command>(&parsed);
  if (taken == nullptr) return true;
  switch (taken->kind) {
    case CommandKind::kExtract:
    case CommandKind::kUpdate:
    case CommandKind::kCompare:
    case CommandKind::kConfigure:
      return true;
    default:
      return false;
  }
}

std::string OutcomeText(std::string_view command, std::string_view status) {
  return status::WithCrLf("> " + std::string(command) + "\r\n" + std::string(status));
}

EngineServer::EngineServer(Engine& engine, Observer observer, StatusLog* log)
    : engine_(engine),
      observer_(std::move(observer)),
      log_(log),
      application_(std::make_shared<dde::ServerApplication>(kApplicationName)) {
  status_topic_ = &application_->AddTopic(kStatusTopic);
  status_topic_->AddItem(kStatusItem);
  status_topic_->AddItem(kOutcomeItem);
  dde::ServerTopic& command_topic = application_->AddTopic(kCommandTopic);
  // Every command is taken, refused ones too: the add-in learns the refusal from the status.
  command_topic.SetExecuteHandler([this](std::string_view command) {
    Answer(command, Handle(command, application_->CurrentClient()));
    return true;
  });
  // While a command waits for the repository, another client's that needs nothing it may be using
  // is answered at once.
  command_topic.SetBesideHandler([this](std::string_view command) {
    if (!dde::Carried(command)) return false;
    std::optional<std::string> status = engine_.AnswerBeside(dde::FromLink(command, "command"));
    if (!status) return false;
    *status = dde::ToLink(*status);
    Record(command, application_->CurrentClient(), *status, false, true);
    Answer(command, *status);
    return true;
  });
}

void EngineServer::Answer(std::string_view command, const std::string& status) {
  status_topic_->SetItem(kStatusItem, CutAnswer(status, answer_limit_, log_ != nullptr && log_->ok()));
  if (observer_) observer_(CommandAsShown(command), status);
}

std::string ExecuteUtf8(Engine& engine, std::string_view command) {
  // A command that cannot be carried is answered so, never executed half-converted.
  std::string text = dde::FromLink(command, "command");
  return dde::ToLink(dde::Carried(command) ? engine.Execute(text) : text);
}

std::string EngineServer::Execute(std::string_view command) { return Handle(command, kTerminal); }

std::string EngineServer::Handle(std::string_view command, std::string_view who) {
  std::string status = ExecuteUtf8(engine_, command);
  // What a person typed and every command that changes something are written through at once;
  // the queries of a pass wait for the engine to be idle.
  const bool at_once = who == kTerminal || !dde::Carried(command) || !engine_.OnlyRead();
  // The first lock answer without the repository is everyone's news, once per pass.
  Record(command, who, status, engine_.TakeNews(), at_once);
  return status;
}

void EngineServer::Record(std::string_view command, std::string_view who, const std::string& status,
                          bool news, bool log_at_once) {
  // A refused 10 MB command is not sent on to every client, nor kept in the log.
  const std::string shown = CommandAsShown(command);
  if (log_ != nullptr) log_->Command(who, shown, status, log_at_once);
  if (news || IsPublishedOutcome(command, status)) {
    status_topic_->SetSharedItem(
        kOutcomeItem, CutAnswer(OutcomeText(shown, status), answer_limit_, log_ != nullptr && log_->ok()));
  }
}

}  // namespace wnorb16
