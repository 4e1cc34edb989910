#include "wnorb16/engine.hpp"

#include <algorithm>

#include "wnorb16/disk.hpp"
#include "wnorb16/status_text.hpp"

namespace wnorb16 {

namespace {

// Most headers fit here; a longer one is read whole.
constexpr std::size_t kAdminRead = 4096;
constexpr std::size_t kHeaderRead = 16384;

// Commands that act for the user ID and so cannot run under one RCS refuses.
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

}  // namespace

Engine::Engine(EngineSetup setup)
    : setup_(std::move(setup)), work_files_(setup_.resolver, setup_.home_folder), runner_(setup_.rcs_folder) {
  LoadConfig();
}

bool Engine::LoadConfig() {
  const FileStatus before = StatusOf(setup_.ini_path);
  // A FIFO in its place reads as no settings rather than stopping the engine.
  WholeRead text = ReadRegularFile(setup_.ini_path);
  config_ = ParseConfig(text.bytes, setup_.login_name);
  config_problem_ = UserIdProblem(config_.user_id);
  if (!config_problem_.empty()) config_problem_ += " (" + setup_.ini_path + "); set another and send CONFIG";
  config_stamp_ = {before.exists, before.modified_ns, before.size};
  return text.problem.empty();
}

void Engine::RefreshConfig() {
  const FileStatus now = StatusOf(setup_.ini_path);
  if (Stamp{now.exists, now.modified_ns, now.size} != config_stamp_) LoadConfig();
}

std::string Engine::Execute(std::string_view text) {
  auto parsed = ParseCommand(text);
  if (auto* error = std::get_if<CommandError>(&parsed)) return status::Error(error->reason);
  const Command& command = std::get<Command>(parsed);
  // An engine left running on the bus serves the settings as they are now.
  if (command.kind != CommandKind::kConfigure) RefreshConfig();
  if (NeedsUser(command.kind) && !config_problem_.empty()) return status::Error(config_problem_);
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

Engine::Located Engine::LocateAll(const std::vector<std::string>& names) const {
  Located located;
  FolderListings listings;
  for (const auto& name : names) {
    Location location = work_files_.Locate(name, Rule(), listings);
    if (!location.file) {
      located.error = location.error;
      located.files.clear();
      return located;
    }
    located.files.push_back(std::move(*location.file));
  }
  return located;
}

std::optional<Archive> Engine::ReadHeaderFor(FilePlan& plan, std::size_t i, const WorkFile& file) const {
  std::optional<Archive> archive = ReadHeader(file);
  if (!archive) plan.Answer(i, status::what::Failed("the archive cannot be read"));
  return archive;
}

std::optional<Archive> Engine::ReadHeader(const WorkFile& file, HeaderPart part) const {
  std::optional<FilePrefix> prefix =
      ReadFilePrefix(file.archive, part == HeaderPart::kAdmin ? kAdminRead : kHeaderRead);
  if (!prefix) return std::nullopt;
  Archive archive;
  ParseStatus parsed = ParseArchiveHeader(prefix->bytes, archive, part);
  if (parsed == ParseStatus::kTruncated && !prefix->whole) {
    WholeRead whole = ReadRegularFile(file.archive);
    if (!whole.problem.empty()) return std::nullopt;
    parsed = ParseArchiveHeader(whole.bytes, archive, part);
  }
  if (parsed != ParseStatus::kComplete) return std::nullopt;
  return archive;
}

RcsJob Engine::Job(std::vector<std::string> options, const WorkFile& file, bool with_work) const {
  RcsJob job{std::move(options), file.archive, with_work ? file.work : "", WorkFiles::RcsLockFile(file), {}};
  if (!with_work) return job;
  // Keyword expansion would rewrite a binary file's bytes as RCS writes the work file.
  if (file.has_archive) {
    std::optional<Archive> header = ReadHeader(file, HeaderPart::kAdmin);
    if (header && header->expand == "b") return job;
    if (WorkFiles::IsBinary(file)) job.prepare = {"-kb"};
  } else if (WorkFiles::IsBinary(file)) {
    // ci -i would refuse the archive rcs -i makes; its description goes with rcs -i instead.
    job.prepare = {"-i", "-kb"};
    for (auto it = job.options.begin(); it != job.options.end();) {
      if (*it == "-i") {
        it = job.options.erase(it);
        continue;
      }
      if (it->starts_with("-t")) job.prepare.push_back(*it);
      ++it;
    }
  }
  return job;
}

std::optional<bool> Engine::SameAsRevision(const WorkFile& file, const std::string& revision) const {
  // rcsdiff expands keywords as co would, so a work file with $Id$ compares equal to its revision.
  RcsResult result =
      runner_.Run("rcsdiff", {"-q", "-r" + revision, file.archive, file.work}, config_.user_id);
  if (!result.started || result.exit_code < 0 || result.exit_code > 1) return std::nullopt;
  if (result.exit_code == 1 && (result.out.empty() || result.err.find(" aborted") != std::string::npos)) {
    return std::nullopt;
  }
  return result.exit_code == 0;
}

std::optional<FilePlan::Outcome> Engine::ReadBack(const WorkFile& file, const RcsReport& report,
                                                  bool check_in) const {
  std::optional<Archive> archive = ReadHeader(file, HeaderPart::kDeltas);
  // Another RCS run may have given the file to someone else meanwhile.
  if (archive && !archive->locks.empty() && archive->LockOf(config_.user_id) == nullptr) {
    return FilePlan::Outcome{status::what::LockedBy(archive->locks.front().user)};
  }
  if (StatusOf(WorkFiles::RcsLockFile(file)).exists || report.error.find(" is in use") != std::string::npos) {
    return FilePlan::Outcome{std::string(status::what::kBusy)};
  }
  // ci names the revision it stored before it writes the work file again.
  if (!check_in || !archive || report.revision.empty() || archive->FindDelta(report.revision) == nullptr)
    return std::nullopt;
  const ArchiveLock* own = archive->LockOf(config_.user_id);
  const bool kept = own != nullptr && own->revision == report.revision;
  if (!kept) MakeReadOnly(file.work);
  std::string what = report.initial     ? status::what::Created(report.revision, kept)
                     : report.unchanged ? status::what::Reverted(report.revision, kept)
                                        : status::what::CheckedIn(report.revision, kept);
  return FilePlan::Outcome{what + status::what::Unfinished(report.error), true};
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

std::string Engine::SetVersion(const Command& command) {
  const std::string& user = config_.user_id;
  if (command.names.empty()) {
    versions_.erase(user);
    return status::Lines({status::VersionCleared(user)});
  }
  if (!RevisionFields(command.names.front())) {
    return status::Error("\"" + command.names.front() +
                         "\" is not a revision number such as 1.3 or 2 (each field at most " +
                         std::to_string(kMaxRevisionField) + ")");
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
  Location location = work_files_.Locate(name, Rule());
  if (!location.file) return status::Error(location.error);
  const std::optional<WorkFile>& file = location.file;
  if (!file->not_regular.empty()) return status::Error(status::reason::NotRegular(name, file->not_regular));
  if (!file->has_archive) return status::NoArchive(name);
  // The locks are all a lock query needs.
  std::optional<Archive> archive = ReadHeader(*file, HeaderPart::kAdmin);
  if (!archive) return status::Error("the archive of " + name + " cannot be read");
  if (const ArchiveLock* own = archive->LockOf(config_.user_id)) return status::CheckedOut(name, true, *own);
  if (!archive->locks.empty()) return status::CheckedOut(name, false, archive->locks.front());
  return status::NotCheckedOut(name);
}

std::string Engine::History(const Command& command) {
  const std::string& name = command.names[0];
  Location location = work_files_.Locate(name, Rule());
  if (!location.file) return status::Error(location.error);
  const std::optional<WorkFile>& file = location.file;
  if (!file->not_regular.empty()) return status::Error(status::reason::NotRegular(name, file->not_regular));
  if (!file->has_archive) return status::HistoryWithoutArchive(name);
  WholeRead text = ReadRegularFile(file->archive);
  if (!text.problem.empty()) return status::Error(status::reason::Unreadable(name, text.problem));
  std::optional<Archive> archive = ParseArchive(text.bytes);
  if (!archive) return status::Error(status::reason::Unreadable(name, "cannot be read"));
  // Oldest first; RCS keeps seconds, so revisions of one second go by number.
  std::vector<std::pair<std::int64_t, const Delta*>> dated;
  dated.reserve(archive->deltas.size());
  for (const auto& d : archive->deltas) dated.emplace_back(RcsDateSeconds(d.date).value_or(0), &d);
  std::stable_sort(dated.begin(), dated.end(), [](const auto& a, const auto& b) {
    if (a.first != b.first) return a.first < b.first;
    return CompareRevisions(a.second->revision, b.second->revision) < 0;
  });
  std::vector<const Delta*> revisions;
  revisions.reserve(dated.size());
  for (const auto& [seconds, delta] : dated) revisions.push_back(delta);
  return status::History(name, revisions);
}

std::string Engine::Compare(const Command& command) {
  Located located = LocateAll(command.names);
  if (!located.error.empty()) return status::Error(located.error);
  const WorkFile& archived = located.files.front();
  const WorkFile& work = located.files.back();
  for (const WorkFile* file : {&archived, &work}) {
    if (!file->not_regular.empty())
      return status::Error(status::reason::NotRegular(file->received, file->not_regular));
  }
  if (!archived.has_archive) return status::NoArchive(archived.received);
  if (!StatusOf(work.work).exists) {
    return status::Lines({status::FileLine(work.received, "no work file to compare")});
  }
  RcsResult result = runner_.Run("rcsdiff", {"-u", "-q", archived.archive, work.work}, config_.user_id);
  // rcsdiff ends with 1 both for differences and when it gives up ("rcsdiff aborted").
  const bool aborted = result.err.find(" aborted") != std::string::npos;
  if (result.started && result.exit_code == 0 && !aborted) {
    return status::Lines({std::string(status::kNoDifferences)});
  }
  if (result.started && result.exit_code == 1 && !aborted && !result.out.empty()) {
    // The add-in knows the file by the name it sent, not by its POSIX path.
    std::string diff = result.out;
    for (const char* marker : {"--- ", "+++ ", "Binary files ", " and "}) {
      const std::string label = marker + work.work + "\t";
      for (auto at = diff.find(label); at != std::string::npos; at = diff.find(label, at + 1)) {
        diff.replace(at, label.size(), marker + work.received + "\t");
      }
    }
    return status::WithCrLf(diff);
  }
  std::string reason = result.err.substr(0, result.err.find('\n'));
  if (reason.empty()) reason = "rcsdiff ended with status " + std::to_string(result.exit_code);
  return status::Error("cannot compare " + work.received + ": " + reason);
}

std::string Engine::Configure() {
  bool found = LoadConfig();
  if (!config_problem_.empty()) return status::Error(config_problem_);
  return status::ConfigRead(setup_.ini_path, found, config_.locking, config_.user_id, config_.archives);
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
