// The engine: one command string in, the status text out. It keeps the folder of the last "CD"
// and the settings of WNORB.INI, and keeps files in its store (RCS's archives unless its setup
// says otherwise).
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "posix/path_resolver.hpp"
#include "wnorb16/command_words.hpp"
#include "wnorb16/engine_config.hpp"
#include "wnorb16/file_plan.hpp"
#include "wnorb16/store.hpp"
#include "wnorb16/work_files.hpp"

namespace wnorb16 {

struct EngineSetup;
// The store an engine keeps its files in, chosen in store_choice.cpp by the Store= setting
// `name`: RCS's archives ("" or "rcs") or a Subversion working copy ("svn"). A name of no store
// gives a store that refuses every file and says why.
std::unique_ptr<Store> ChooseStore(const EngineSetup& setup, const std::string& name);
// The store the Store= setting `name` chooses keeps its records where Archives= says (RCS's).
bool KeepsArchives(const std::string& name);

struct EngineSetup {
  std::string ini_path;  // WNORB.INI; a missing file means the defaults
  posix::PathResolver resolver = posix::PathResolver();
  std::string programs_folder;  // where the store's programs are; "" for PATH
  std::string login_name = LoginName();
  std::string home_folder = HomeFolder();  // where Projects= points when it is empty
  // How long to wait for another program to finish with a file's record.
  std::chrono::milliseconds lock_wait = std::chrono::seconds(3);
  std::function<std::unique_ptr<Store>(const EngineSetup&, const std::string&)> store = ChooseStore;
};

class Engine {
 public:
  explicit Engine(EngineSetup setup);

  // Handles one command completely and answers its status text.
  std::string Execute(std::string_view command);
  // The status of a command that came while another is in hand (waiting for the store's server),
  // when it needs nothing the one in hand may be using: G2LOCKING while the settings are as they
  // were read. nullopt: it waits its turn for Execute.
  std::optional<std::string> AnswerBeside(std::string_view command) const;
  // Called now and then while a command waits for the store's server (see Store::WhileWaiting).
  void WhileWaiting(std::function<void()> serve);

  const EngineConfig& config() const { return config_; }
  // Whether the last command's answer is news for everyone (the store's server went out of reach),
  // though its kind of command is not published; asked once.
  bool TakeNews() { return std::exchange(news_, false); }
  // Whether the last command only read (T, G2LOCKING, CD, L): its log line may wait.
  bool OnlyRead() const { return only_read_; }
  // Why the settings cannot be used; "" when they can.
  const std::string& config_problem() const { return config_problem_; }
  const std::string& ini_path() const { return setup_.ini_path; }
  // The Archives= setting as CONFIG shows it: where records live when it is empty.
  std::string ArchivesShown(const std::string& archives) const {
    return archives.empty() ? store_->DefaultPlace() : archives;
  }

 private:
  // Reads WNORB.INI; false when there is none.
  bool LoadConfig();
  // Reads WNORB.INI again when it changed since it was read.
  void RefreshConfig();

  // Set beforehand for the user's next check-in (COMMENT) or next command with S (VERSION).
  std::string SetComment(const Command& command);
  // Why a lock `command` takes is held: the comment set for the user's next check-in, which the
  // lock leaves for it, or the engine's own words naming the user.
  std::string LockComment(const Command& command) const;
  std::string SetVersion(const Command& command);

  std::string ChangeDirectory(const Command& command);
  std::string LockQuery(const Command& command);
  std::string History(const Command& command);
  std::string Compare(const Command& command);
  std::string Configure();
  std::string Extract(const Command& command);
  std::string Update(const Command& command);

  // Every name of the command located; otherwise why the first that cannot be used cannot.
  struct Located {
    std::vector<WorkFile> files;
    std::string error;
  };
  Located LocateAll(const std::vector<std::string>& names) const;
  // The record of a file of a batch; one that cannot be read is answered in the plan.
  std::optional<FileRecord> ReadRecordFor(FilePlan& plan, std::size_t i, const WorkFile& file) const;
  // The revision this user set for option S, used once; nullopt when none is set.
  std::optional<std::string> TakeSetVersion();
  std::string NoSetVersion() const;
  std::unique_ptr<StoreBatch> Batch() const { return store_->Batch(); }

  EngineSetup setup_;
  std::unique_ptr<Store> store_;
  std::string store_name_;  // the Store= setting store_ was chosen by
  EngineConfig config_;
  std::string config_problem_;
  // A setting out of bounds (too long, above its drive): every command on a file is refused, not
  // only those acting for the user.
  bool files_refused_ = false;
  // What WNORB.INI looked like when it was read: changed files are read again.
  struct Stamp {
    bool exists = false;
    std::int64_t modified_ns = 0;
    std::int64_t size = 0;
    bool operator==(const Stamp&) const = default;
  };
  Stamp config_stamp_;
  // By user ID: each person's next comment and version.
  std::map<std::string, std::string> comments_;
  std::map<std::string, std::string> versions_;
  WorkFiles work_files_;
  bool news_ = false;
  bool only_read_ = false;
  std::function<void()> serve_;
};

}  // namespace wnorb16
