// The engine's one Subversion client: libsvn's client and RA libraries in this process, with the
// user's Subversion configuration and credential store (or the folder ConfigDir= names). It never
// asks anyone anything: credentials come from the store or the command fails and says so.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace wnorb16::svn {

// A lock in the repository.
struct RepositoryLock {
  std::string owner;
  std::string token;
};

// One file of a working-copy folder, as the working copy and the repository know it.
struct SvnEntry {
  bool versioned = false;           // in the repository at the working copy's revision
  bool added = false;               // scheduled for addition, not committed yet
  bool only_in_repository = false;  // in the repository, not in this working copy yet
  bool modified = false;            // the work file (or its properties) differs from its base
  bool scheduled = false;           // deleted or replaced in the working copy, not committed yet
  bool deleted = false;             // deleted in the repository since: `latest` is the revision that did
  bool conflicted = false;          // a text, property or tree conflict left for the user
  long conflict_revision = -1;      // the revision the conflict came in with; -1 when Subversion cannot say
  long base = -1;                   // the revision the working copy has the file at
  long changed = -1;                // the revision that last changed the base
  std::int64_t changed_date = 0;    // microseconds since 1970
  long latest = -1;                 // the revision that last changed the file in the repository
  std::int64_t latest_date = 0;
  std::string own_token;  // the lock token this working copy holds, "" for none
  std::string own_owner;  // who took that lock, as the working copy keeps it
  std::optional<RepositoryLock> lock;
  std::string url;
};

// The files of one folder; `error` says why there are none.
struct SvnFolder {
  std::string path;        // the folder, as asked for
  bool revisions = false;  // the latest revisions were asked, not the locks alone
  bool outside = false;    // `error`: the folder is in no working copy
  bool locked = false;     // `error`: the working copy is locked, or holds unfinished work (svn cleanup)
  // `error`: the repository cannot be reached (refused, reset, closed): the working copy still can.
  bool unreachable = false;
  std::string error;
  std::string repository;  // the root URL of the folder's repository, "" when unknown
  // The folder's path in the repository from its root ("" for the root); nullopt when it has none.
  std::optional<std::string> relpath;
  bool offline = false;                   // the working copy alone answered: the repository was out of reach
  std::map<std::string, SvnEntry> files;  // by name
};

// What a lock pass was told by the repository: the locks under one folder of it (at every depth
// when `deep`, otherwise its own files'), each by its path from the root ("/app/FORM1.FRM"), and
// the revision that last changed anything in that folder (-2 until asked). Kept by the caller for
// the pass; the next folder of the pass that it covers needs no request for its locks.
struct PassLocks {
  bool asked = false;
  std::string repository;
  std::string relpath;
  bool deep = false;
  std::map<std::string, RepositoryLock> locks;
  long changed = -2;

  bool Covers(const SvnFolder& folder) const;
  // Whether `folder`, as the working copy alone knows it, needs the repository asked before
  // ApplyTo: for its locks, or for the revisions of files someone else's lock or a lost lock
  // of this working copy's is reported with.
  bool NeedsRepository(const SvnFolder& folder) const;
  // Gives `folder`'s files the locks the pass was told (none where it holds none).
  void ApplyTo(SvnFolder& folder) const;
};

// The folder both relative paths are in ("" for the repository's root).
std::string CommonFolder(const std::string& a, const std::string& b);

struct LogEntry {
  long revision = 0;
  std::string author;
  std::string date;  // as the repository keeps it, "2024-03-01T17:05:09.000000Z"
  std::string message;
};

// The latest revision of a file in the repository: which, by whom, and what it holds.
struct HeadFile {
  long revision = -1;
  std::string author;
  std::string bytes;
};

// What one call did: per path the complaint about it, and a complaint about the call as a whole.
struct Outcome {
  std::map<std::string, std::string> failed;
  std::string error;
  bool out_of_date = false;  // the repository holds something newer than what was sent
  bool locked = false;       // the working copy is locked, or holds unfinished work (svn cleanup)
  bool unreachable = false;  // the repository cannot be reached (as SvnFolder)
  std::vector<std::string> added_folders;  // the folders an addition scheduled with its file
  bool ok() const { return error.empty() && failed.empty(); }
  // The complaint about `path`, "" when it has none.
  std::string About(const std::string& path) const;
};

class SvnClient {
 public:
  SvnClient();
  ~SvnClient();
  SvnClient(const SvnClient&) = delete;
  SvnClient& operator=(const SvnClient&) = delete;

  // What one client holds between calls (libsvn's pools, context and credentials).
  struct State;

  // Reads the configuration from `config_dir` ("" for the user's own folder); answers why
  // Subversion cannot work with it, "" when it can. Until a configuration is read, every call
  // fails with that reason.
  std::string Configure(const std::string& config_dir);

  // How much of a folder's state the repository is asked for.
  enum class Asked {
    kLocal,      // nothing: the working copy alone answers (its own lock tokens, base revisions)
    kRevisions,  // its locks, latest revisions and files new to the working copy (one status report)
  };
  // The files of `folder` as the working copy knows them, with what `asked` of the repository.
  SvnFolder Status(const std::string& folder, Asked asked);
  // Completes `folder` (Status(kLocal)'s answer) with what a lock pass needs of the repository:
  // the locks, asked of `scope` (at every depth when `deep`) unless `pass` covers the folder, and
  // for someone else's lock or a lost one the file's latest revision. One request for the locks
  // over a connection kept from call to call; `pass` keeps what was told. On failure the
  // folder's `error` says why and its files are gone.
  SvnFolder PassStatus(SvnFolder folder, PassLocks& pass, const std::string& scope, bool deep);

  // The user the repository took the credentials of; "" until it asked for them.
  const std::string& user() const;
  // Called whenever the call under way hears from the repository or gets on with the working copy.
  void OnActivity(std::function<void()> activity);

  Outcome Update(const std::vector<std::string>& paths, long revision);  // revision < 0: the latest
  // Whether the repository's `revision` holds a file at `url`; false also when it cannot tell.
  bool HoldsFile(const std::string& url, long revision);
  // Locks `paths`, `comment` saying why (UTF-8).
  Outcome Lock(const std::vector<std::string>& paths, const std::string& comment);
  Outcome Unlock(const std::vector<std::string>& paths);
  Outcome Revert(const std::vector<std::string>& paths);
  // Schedules a file for addition, to be kept read-only until locked, binary when `binary`, and
  // with it the folders the working copy does not have yet. The properties are these alone,
  // whatever auto-props the user's configuration or the repository sets.
  Outcome Add(const std::string& path, bool binary);
  Outcome Commit(const std::vector<std::string>& paths, const std::string& message, bool keep_locks);

  // The root folder of the working copy `path` is in; "" when it is in none.
  std::string RootOf(const std::string& path);
  // Finishes or drops the unfinished work a process that ended left in the working copy at
  // `root`, and breaks its working-copy locks (svn cleanup); "" when done, otherwise why not.
  std::string Cleanup(const std::string& root);

  // The history of `url`, newest first; `error` when it cannot be had.
  std::vector<LogEntry> Log(const std::string& url, std::string& error);
  // The latest revision of the file `path` of the working copy, whose repository URL is `url`;
  // nullopt when it cannot be had.
  std::optional<HeadFile> Head(const std::string& path, const std::string& url);
  // The latest revision of the file `path`; nullopt (and `error`) when it cannot be had.
  std::optional<std::string> Latest(const std::string& path, bool& binary, std::string& error);
  // A unified diff of `before` and `after`, labelled as given; "" when they are equal.
  std::string Diff(const std::string& before, const std::string& after, const std::string& before_label,
                   const std::string& after_label);

 private:
  // The revision the conflict of the file at `path` came in with; -1 when Subversion cannot say.
  long IncomingRevision(const std::string& path);
  // The revision that last changed the base of the file at `path`; -1 and `error` when unknown.
  long LastChanged(const std::string& path, std::string& error);

  std::unique_ptr<State> state_;
};

}  // namespace wnorb16::svn
