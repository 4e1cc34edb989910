// Where the engine keeps files: one interface for every command that reads or changes a file's
// record. RCS's archives are one store (wnorb16/rcs/); the engine's commands, the file plan and
// the answer texts speak only these words, so another store takes RCS's place for the same
// commands. Where a work file is (names, CD, short aliases) is the engine's; where its record
// lives is the store's.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "wnorb16/disk.hpp"

namespace wnorb16 {

class FolderListings;
struct EngineConfig;

// A file named in a command, and its record in the store.
struct WorkFile {
  std::string received;        // as the command named it
  std::string work;            // POSIX path of the work file (it may not exist)
  std::string record;          // where the store keeps the file's record (RCS: the ",v" file)
  std::string record_folder;   // where that record is or goes
  bool under_control = false;  // the store has a record of it
  // The record as the file was located: what a store may check a copy it keeps against.
  std::optional<FileStatus> record_status;
  // Which of work file and record is neither a regular file nor missing, and what it is ("the
  // archive is a FIFO"); "" when both can be used. Such a file is neither read nor given to the store.
  std::string not_regular;
  // Why the store cannot keep this file though it keeps others ("... is not in a working copy"), as
  // the answer shows it; "" when it can. An extract or update answers it on the file's line and
  // goes on with the rest.
  std::string refused;
};

// Where the store keeps the record of one work file, or why it cannot say.
struct Placement {
  std::string error;  // the reason, for an "ERROR:" answer; "" when placed
  std::string record;
  std::string record_folder;
  bool under_control = false;
  // The work file's name as the record spells it, for a work file that is not there; "" when
  // the file is not under control.
  std::string spelling;
  std::string not_regular;                  // as in WorkFile, for the record
  std::optional<FileStatus> record_status;  // as in WorkFile
  std::string refused;                      // as in WorkFile
};

struct FileLock {
  std::string holder;
  std::string revision;

  bool operator==(const FileLock&) const = default;
};

// What the store knows of a file now.
struct FileRecord {
  std::vector<FileLock> locks;  // in the store's order
  std::string latest;           // the latest revision
  // When the latest revision was stored, in seconds since 1970 (UTC); nullopt when unknown.
  std::optional<std::int64_t> latest_date;
  // The user's lock the work file was given out under, broken or taken over in the store since:
  // what happened and the way out, as the file's line says it; "" when there is none.
  std::string lost_lock;
  // Read from what the store keeps at hand (a working copy's lock tokens), its server out of
  // reach; `offline_why` says why, naming the server, the first time, and is "" after.
  bool offline = false;
  std::string offline_why;

  // The first lock `user` holds; null when none.
  const FileLock* LockOf(std::string_view user) const {
    for (const auto& lock : locks) {
      if (lock.holder == user) return &lock;
    }
    return nullptr;
  }
};

// How much of a record a command needs: the locks alone (a lock query), or the revisions too.
enum class RecordPart { kLocks, kRevisions };

struct Revision {
  std::string revision;
  std::string date;  // UTC, "2024/03/01 17:05:09"; a date the store cannot read as it keeps it
  std::string author;
  std::string state;
  std::string log;  // as stored (UTF-8, or a code page where it is not UTF-8)
};

struct FileHistory {
  std::vector<Revision> revisions;  // oldest first
  // Why the record cannot be read, to follow "the archive of <file>" ("cannot be read"); "" when it can.
  std::string problem;
};

// The work file against the latest revision.
struct Comparison {
  enum class Result { kSame, kDiffer, kFailed };
  Result result = Result::kFailed;
  std::string diff;    // kDiffer: a unified diff, LF line ends, naming the file as received
  std::string reason;  // kFailed: why not
};

// The number a check-in gives the new revision.
enum class Numbering {
  kNext,    // the store's own next number
  kMinor,   // the next one on the locked revision's line
  kBranch,  // a new branch from the locked revision
  kSet,     // the one set beforehand (Request::version)
};

// One file's part of an extract or update.
struct Request {
  enum class Kind {
    kCheckOut,  // the work file written, locked
    kCopy,      // a read-only work file, no lock
    kLock,      // the lock alone, work file not touched
    kCheckIn,   // the work file stored as a new revision
    kDiscard,   // the work file restored to the locked revision
  };
  Kind kind = Kind::kCheckOut;
  // Check-out, copy, lock: the revision asked for, "" for the latest. Check-in, discard: the
  // revision the user holds locked, "" for a file not under control yet.
  std::string revision;
  bool keep_lock = false;  // check-in, discard
  // Check-in: the log message. Check-out, lock: why the lock is taken, for a store whose locks
  // carry a comment.
  std::string message;
  Numbering numbering = Numbering::kNext;
  std::string version;  // kSet
};

// What became of one request.
struct FileReport {
  bool done = false;       // done, or a check-in stored (then `unfinished` says how it ended)
  std::string revision;    // the revision the store named for it
  bool unchanged = false;  // a check-in found nothing to store; `revision` kept
  bool created = false;    // a check-in put the file under control
  // A check-in the store stored and then gave up on, read back from the record: what it left
  // undone, the whole tail of the file's line ("; RCS did not finish: ..."), and whether the lock
  // is still the user's.
  std::string unfinished;
  bool kept = false;
  // Not done, read back from the record: someone else holds the lock now, or why the store left
  // the file alone (the whole text after the file's name); otherwise the store's complaint.
  std::string holder;
  std::string left_alone;
  std::string error;
  // What the store did first on its own (a lock a run that ended left, cleared), said after the line.
  std::string note;
};

// The batch work of one extract or update: requests taken one by one, then run together.
class StoreBatch {
 public:
  virtual ~StoreBatch() = default;
  // Takes `request`; "" when taken, otherwise why the store refuses it, as the file's line.
  virtual std::string Add(const WorkFile& file, const Request& request) = 0;
  // Gives back the request taken last, as if it had not been: the store refused its companion.
  virtual void Withdraw() = 0;
  // Runs what was taken: one report per request taken, in that order.
  virtual std::vector<FileReport> Run() = 0;
};

class Store {
 public:
  virtual ~Store() = default;

  // The settings as WNORB.INI holds them now.
  virtual void Configure(const EngineConfig& config) = 0;
  // A command begins; `lock_query` when it asks for one file's locks ("T"). A store that keeps
  // what a server told it between commands drops it at any other command.
  virtual void NextCommand(bool lock_query) { (void)lock_query; }
  // Called now and then while a command waits for the store's server, so the engine's other
  // clients are served meanwhile; it never runs a command of the store's.
  virtual void WhileWaiting(const std::function<void()>& /*serve*/) {}
  // Why the store cannot act for `user_id`; "" when it can.
  virtual std::string UserProblem(const std::string& user_id) const = 0;
  // Why `version` cannot number a revision (VERSION); "" when it can.
  virtual std::string VersionProblem(const std::string& version) const = 0;
  // Where records live when Archives= is empty, as CONFIG shows it.
  virtual std::string DefaultPlace() const = 0;

  // The record of the work file `name` in the existing `folder`, which the command named
  // `received`; `listings` lets the files of one command share their folders' listings.
  virtual Placement Place(const std::string& folder, const std::string& name, std::string_view received,
                          FolderListings& listings) const = 0;
  // The record of a file under control; nullopt when it cannot be read.
  virtual std::optional<FileRecord> Read(const WorkFile& file, RecordPart part) const = 0;
  virtual FileHistory History(const WorkFile& file) const = 0;
  // The work file `work` against the latest revision of `recorded`'s record.
  virtual Comparison Compare(const WorkFile& recorded, const WorkFile& work) const = 0;
  // Whether the work file holds `revision` as the store would write it; nullopt when it cannot tell.
  virtual std::optional<bool> Holds(const WorkFile& file, const std::string& revision) const = 0;
  // Whether the work file comes from the latest revision, for a store that knows which revision
  // each work file comes from; nullopt when it does not, and the work file's time against the
  // latest revision's date decides (F).
  virtual std::optional<bool> AtLatest(const WorkFile& file) const {
    (void)file;
    return std::nullopt;
  }
  virtual std::unique_ptr<StoreBatch> Batch() const = 0;
};

}  // namespace wnorb16
