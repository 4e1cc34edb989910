#include "wnorb16/engine.hpp"

#include "wnorb16/disk.hpp"
#include "wnorb16/status_text.hpp"

namespace wnorb16 {

namespace {

// Commands that act for the user ID and so cannot run under one the store refuses.
bool NeedsUser(CommandKind kind) {
  switch (kind) {
    case CommandKind::kLockQuery:
    case CommandKind::kExtract:
    case CommandKind::kUpdate:
    case CommandKind::kComment:
    case CommandKind::kVersion:
      return true;
    default:
      return false;
  }
}

// Commands that read or change files, and so cannot run under a setting out of bounds. CONFIG
// reads the settings again and answers what it finds.
bool OnFiles(CommandKind kind) {
  return kind != CommandKind::kLockMode && kind != CommandKind::kChangeDirectory &&
         kind != CommandKind::kConfigure;
}

}  // namespace

Engine::Engine(EngineSetup setup) : setup_(std::move(setup)), work_files_(setup_.resolver) { LoadConfig(); }

bool Engine::LoadConfig() {
  const FileStatus before = StatusOf(setup_.ini_path);
  // A FIFO in its place reads as no settings rather than stopping the engine.
  const std::optional<std::string> read = posix::ReadRegularFile(setup_.ini_path).bytes;
  const std::string text = read.value_or("");
  config_ = ParseConfig(text, setup_.login_name);
  if (!store_ || config_.store != store_name_) {
    store_ = setup_.store(setup_, config_.store);
    store_name_ = config_.store;
    store_->WhileWaiting(serve_);
  }
  store_->Configure(config_);
  config_problem_ = SettingProblem(text, setup_.ini_path);
  files_refused_ = !config_problem_.empty();
  if (!files_refused_) config_problem_ = store_->UserProblem(config_.user_id);
  if (!files_refused_ && !config_problem_.empty())
    config_problem_ += " (" + setup_.ini_path + "); set another and send CONFIG";
  const bool climbing = KeepsArchives(config_.store) && !IsRootedWindowsPath(config_.archives);
  work_files_.LimitClimbs(climbing ? ClimbsAbove(config_.archives) : 0, config_.archives, setup_.ini_path);
  config_stamp_ = {before.exists, before.modified_ns, before.size};
  return read.has_value();
}

void Engine::RefreshConfig() {
  const FileStatus now = StatusOf(setup_.ini_path);
  if (Stamp{now.exists, now.modified_ns, now.size} != config_stamp_) LoadConfig();
}

std::string Engine::Execute(std::string_view text) {
  news_ = false;
  auto parsed = ParseCommand(text);
  const Command* command_of = std::get_if<Command>(&parsed);
  only_read_ =
      command_of != nullptr &&
      (command_of->kind == CommandKind::kLockQuery || command_of->kind == CommandKind::kLockMode ||
       command_of->kind == CommandKind::kChangeDirectory || command_of->kind == CommandKind::kHistory);
  store_->NextCommand(command_of != nullptr && command_of->kind == CommandKind::kLockQuery);
  if (auto* error = std::get_if<CommandError>(&parsed)) return status::Error(error->reason);
  const Command& command = *command_of;
  // An engine left running on the bus serves the settings as they are now.
  if (command.kind != CommandKind::kConfigure) RefreshConfig();
  if ((NeedsUser(command.kind) || (files_refused_ && OnFiles(command.kind))) && !config_problem_.empty())
    return status::Error(config_problem_);
  switch (command.kind) {
    case CommandKind::kLockMode:
      return std::string(config_.locking ? status::kLockingOn : status::kLockingOff);
    case CommandKind::kChangeDirectory:
      return ChangeDirectory(command);
    case CommandKind::kLockQuery:
      return LockQuery(command);
    case CommandKind::kHistory:
      return History(command);
    case CommandKind::kCompare:
      return Compare(command);
    case CommandKind::kConfigure:
      return Configure();
    case CommandKind::kExtract:
      return Extract(command);
    case CommandKind::kUpdate:
      return Update(command);
    case CommandKind::kComment:
      return SetComment(command);
    case CommandKind::kVersion:
      return SetVersion(command);
  }
  return status::Error("unknown command");
}

std::optional<std::string> Engine::AnswerBeside(std::string_view text) const {
  auto parsed = ParseCommand(text);
  const Command* command = std::get_if<Command>(&parsed);
  if (command == nullptr || command->kind != CommandKind::kLockMode) return std::nullopt;
  // Settings changed since they were read are read with the next command in turn, not in the
  // middle of one that uses them.
  const FileStatus now = StatusOf(setup_.ini_path);
  if (Stamp{now.exists, now.modified_ns, now.size} != config_stamp_) return std::nullopt;
  return std::string(config_.locking ? status::kLockingOn : status::kLockingOff);
}

void Engine::WhileWaiting(std::function<void()> serve) {
  serve_ = std::move(serve);
  store_->WhileWaiting(serve_);
}

Engine::Located Engine::LocateAll(const std::vector<std::string>& names) const {
  Located located;
  FolderListings listings;
  for (const auto& name : names) {
    Location location = work_files_.Locate(name, *store_, listings);
    if (!location.file) {
      located.error = location.error;
      located.files.clear();
      return located;
    }
    located.files.push_back(std::move(*location.file));
  }
  return located;
}

std::optional<FileRecord> Engine::ReadRecordFor(FilePlan& plan, std::size_t i, const WorkFile& file) const {
  std::optional<FileRecord> record = store_->Read(file, RecordPart::kRevisions);
  if (!record) plan.Refuse(i, status::what::Failed("the archive cannot be read"));
  return record;
}

std::string Engine::SetComment(const Command& command) {
  const std::string& user = config_.user_id;
  if (command.names.empty()) {
    comments_.erase(user);
    return status::Lines({status::CommentCleared(user)});
  }
  comments_[user] = command.names.front();
  return status::Lines({status::CommentSet(user, command.names.front())});
}

std::string Engine::LockComment(const Command& command) const {
  auto comment = comments_.find(config_.user_id);
  if (comment != comments_.end()) return comment->second;
  return "Locked by WNORB16 for " + config_.user_id + " (" + command.word + ")";
}

std::string Engine::SetVersion(const Command& command) {
  const std::string& user = config_.user_id;
  if (command.names.empty()) {
    versions_.erase(user);
    return status::Lines({status::VersionCleared(user)});
  }
  if (std::string problem = store_->VersionProblem(command.names.front()); !problem.empty()) {
    return status::Error(problem);
  }
  versions_[user] = command.names.front();
  return status::Lines({status::VersionSet(user, command.names.front())});
}

std::string Engine::ChangeDirectory(const Command& command) {
  if (!work_files_.ChangeDirectory(command.names[0])) {
    return status::Error("no folder " + command.names[0]);
  }
  return std::string(status::kDirectoryChanged);
}

std::string Engine::LockQuery(const Command& command) {
  const std::string& name = command.names[0];
  Location location = work_files_.Locate(name, *store_);
  if (!location.file) return status::Error(location.error);
  const std::optional<WorkFile>& file = location.file;
  if (!file->not_regular.empty()) return status::Error(status::reason::NotRegular(name, file->not_regular));
  if (!file->refused.empty()) return status::Error(file->refused);
  if (!file->under_control) return status::NoArchive(name);
  // The locks are all a lock query needs.
  std::optional<FileRecord> record = store_->Read(*file, RecordPart::kLocks);
  if (!record) return status::Error("the archive of " + name + " cannot be read");
  std::string answer;
  if (const FileLock* own = record->LockOf(config_.user_id)) {
    answer = status::CheckedOut(name, true, *own);
  } else if (!record->locks.empty()) {
    answer = status::CheckedOut(name, false, record->locks.front(), record->lost_lock);
  } else {
    answer = status::NotCheckedOut(name, record->lost_lock);
  }
  if (!record->offline) return answer;
  news_ = !record->offline_why.empty();
  return answer + status::Offline(record->offline_why);
}

std::string Engine::History(const Command& command) {
  const std::string& name = command.names[0];
  Location location = work_files_.Locate(name, *store_);
  if (!location.file) return status::Error(location.error);
  const std::optional<WorkFile>& file = location.file;
  if (!file->not_regular.empty()) return status::Error(status::reason::NotRegular(name, file->not_regular));
  if (!file->refused.empty()) return status::Error(file->refused);
  if (!file->under_control) return status::HistoryWithoutArchive(name);
  FileHistory history = store_->History(*file);
  if (!history.problem.empty()) return status::Error(status::reason::Unreadable(name, history.problem));
  return status::History(name, history.revisions);
}

std::string Engine::Compare(const Command& command) {
  Located located = LocateAll(command.names);
  if (!located.error.empty()) return status::Error(located.error);
  const WorkFile& recorded = located.files.front();
  const WorkFile& work = located.files.back();
  for (const WorkFile* file : {&recorded, &work}) {
    if (!file->not_regular.empty())
      return status::Error(status::reason::NotRegular(file->received, file->not_regular));
    if (!file->refused.empty()) return status::Error(file->refused);
  }
  if (!recorded.under_control) return status::NoArchive(recorded.received);
  if (!StatusOf(work.work).exists) {
    return status::Lines({status::FileLine(work.received, "no work file to compare")});
  }
  Comparison comparison = store_->Compare(recorded, work);
  switch (comparison.result) {
    case Comparison::Result::kSame:
      return status::Lines({std::string(status::kNoDifferences)});
    case Comparison::Result::kDiffer:
      return status::WithCrLf(comparison.diff);
    case Comparison::Result::kFailed:
      break;
  }
  return status::Error("cannot compare " + work.received + ": " + comparison.reason);
}

std::string Engine::Configure() {
  bool found = LoadConfig();
  if (!config_problem_.empty()) return status::Error(config_problem_);
  return status::ConfigRead(setup_.ini_path, found, config_.locking, config_.user_id,
                            ArchivesShown(config_.archives));
}

std::optional<std::string> Engine::TakeSetVersion() {
  auto set = versions_.find(config_.user_id);
  if (set == versions_.end()) return std::nullopt;
  std::string version = std::move(set->second);
  versions_.erase(set);
  return version;
}

std::string Engine::NoSetVersion() const {
  return status::Error("option S takes the revision set beforehand with \"VERSION <revision>\"; " +
                       config_.user_id + " has set none");
}

}  // namespace wnorb16
