#include "wnorb16/engine.hpp"

#include <algorithm>

#include "posix/whole_file.hpp"
#include "vbrt/error.hpp"
#include "wnorb16/disk.hpp"
#include "wnorb16/status_text.hpp"

namespace wnorb16 {

namespace {

// Most headers fit here; a longer one is read whole.
constexpr std::size_t kAdminRead = 4096;
constexpr std::size_t kHeaderRead = 16384;

}  // namespace

Engine::Engine(EngineSetup setup)
    : setup_(std::move(setup)), work_files_(setup_.resolver, setup_.home_folder), runner_(setup_.rcs_folder) {
  LoadConfig();
}

bool Engine::LoadConfig() {
  std::optional<std::string> text = posix::ReadWholeFile(setup_.ini_path);
  config_ = ParseConfig(text.value_or(""), setup_.login_name);
  return text.has_value();
}

std::string Engine::Execute(std::string_view text) {
  auto parsed = ParseCommand(text);
  if (auto* error = std::get_if<CommandError>(&parsed)) return status::Error(error->reason);
  const Command& command = std::get<Command>(parsed);
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
  }
  return status::Error("unknown command");
}

Engine::Located Engine::LocateAll(const std::vector<std::string>& names) const {
  Located located;
  for (const auto& name : names) {
    Location location = work_files_.Locate(name, Rule());
    if (!location.file) {
      located.error = location.error;
      located.files.clear();
      return located;
    }
    located.files.push_back(std::move(*location.file));
  }
  return located;
}

std::optional<Archive> Engine::ReadHeader(const WorkFile& file, HeaderPart part) const {
  std::optional<FilePrefix> prefix =
      ReadFilePrefix(file.archive, part == HeaderPart::kAdmin ? kAdminRead : kHeaderRead);
  if (!prefix) return std::nullopt;
  Archive archive;
  ParseStatus parsed = ParseArchiveHeader(prefix->bytes, archive, part);
  if (parsed == ParseStatus::kTruncated && !prefix->whole) {
    std::optional<std::string> whole = posix::ReadWholeFile(file.archive);
    if (!whole) return std::nullopt;
    parsed = ParseArchiveHeader(*whole, archive, part);
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

std::vector<std::optional<std::string>> Engine::AskRevisions(const std::vector<WorkFile>& files,
                                                             bool extract) {
  std::vector<std::optional<std::string>> revisions;
  for (const auto& file : files) revisions.push_back(setup_.interaction->AskRevision(file.received, extract));
  return revisions;
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
  if (!file->has_archive) return status::HistoryWithoutArchive(name);
  std::optional<std::string> text = posix::ReadWholeFile(file->archive);
  std::optional<Archive> archive = text ? ParseArchive(*text) : std::nullopt;
  if (!archive) return status::Error("the archive of " + name + " cannot be read");
  std::vector<const Delta*> revisions;
  for (const auto& d : archive->deltas) revisions.push_back(&d);
  // Oldest first; RCS keeps seconds, so revisions of one second go by number.
  std::stable_sort(revisions.begin(), revisions.end(), [](const Delta* a, const Delta* b) {
    auto ta = RcsDateSeconds(a->date).value_or(0);
    auto tb = RcsDateSeconds(b->date).value_or(0);
    if (ta != tb) return ta < tb;
    return CompareRevisions(a->revision, b->revision) < 0;
  });
  return status::History(name, revisions);
}

std::string Engine::Compare(const Command& command) {
  Located located = LocateAll(command.names);
  if (!located.error.empty()) return status::Error(located.error);
  const WorkFile& archived = located.files.front();
  const WorkFile& work = located.files.back();
  if (!archived.has_archive) return status::NoArchive(archived.received);
  if (!StatusOf(work.work).exists) {
    return status::Lines({status::FileLine(work.received, "no work file to compare")});
  }
  RcsResult result = runner_.Run("rcsdiff", {"-u", "-q", archived.archive, work.work}, config_.user_id);
  if (result.started && result.exit_code == 0) return status::Lines({std::string(status::kNoDifferences)});
  if (result.started && result.exit_code == 1) {
    // The add-in knows the file by the name it sent, not by its POSIX path.
    std::string diff = result.out;
    for (const char* marker : {"--- ", "+++ "}) {
      const std::string label = marker + work.work;
      if (auto at = diff.find(label); at != std::string::npos && (at == 0 || diff[at - 1] == '\n')) {
        diff.replace(at, label.size(), marker + work.received);
      }
    }
    return status::WithCrLf(diff);
  }
  std::string reason = result.err.substr(0, result.err.find('\n'));
  return status::Lines({status::FileLine(work.received, status::what::Failed(reason))});
}

std::string Engine::Configure() {
  if (setup_.interaction != nullptr) {
    if (std::optional<EngineConfig> changed = setup_.interaction->EditConfig(config_)) {
      std::string text = posix::ReadWholeFile(setup_.ini_path).value_or("");
      try {
        posix::WriteWholeFile(setup_.ini_path, WriteConfig(text, *changed));
      } catch (const vb::Error& e) {
        return status::Error("cannot write " + setup_.ini_path + ": " + e.description());
      }
    }
  }
  bool found = LoadConfig();
  return status::ConfigRead(setup_.ini_path, found, config_.locking, config_.user_id, config_.archives);
}

}  // namespace wnorb16
