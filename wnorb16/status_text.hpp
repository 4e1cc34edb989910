// Every text the engine answers with, in one place. The add-in reads some of them by phrase and
// by character position, so their exact bytes matter: lines end with CR LF, the lock report's
// columns are fixed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "wnorb16/store.hpp"

namespace wnorb16::status {

inline constexpr std::string_view kLineEnd = "\r\n";

// Answers without a line end.
inline constexpr std::string_view kLockingOn = "Y";
inline constexpr std::string_view kLockingOff = "N";
inline constexpr std::string_view kDirectoryChanged = "OK";

// 28 hyphens, two blanks, 33 hyphens: the add-in finds the lock report by it.
inline constexpr std::string_view kLockSeparator =
    "----------------------------  ---------------------------------";
// The holder is padded to the 28 hyphens; with the two blanks after it, the add-in reads a
// 30-wide column, so the two widths agree.
inline constexpr std::size_t kHolderWidth = 28;

// Each line followed by CR LF.
std::string Lines(const std::vector<std::string>& lines);

// "ERROR: <reason>" CR LF.
std::string Error(std::string_view reason);

// Reasons a file named in a command cannot be used.
namespace reason {
std::string Unresolved(std::string_view file);  // "cannot resolve <file>"
// `which` says which of the two and what it is: "the archive is a FIFO".
std::string NotRegular(std::string_view file, std::string_view which);
std::string Unreadable(std::string_view file, std::string_view problem);  // problem: "is ..."
}  // namespace reason

// Reasons the settings cannot be used, each naming the setting and ending with the file they are
// in: "(<ini>); set another and send CONFIG".
namespace setting {
std::string TooLong(std::string_view key, std::size_t bytes, std::size_t most, std::string_view ini);
// A setting of seconds out of its range: `<key>="<value>" is not a number of seconds from 1 to <most>`.
std::string NotSeconds(std::string_view key, std::string_view value, long long most, std::string_view ini);
// A rooted Archives= whose ".." climb above the folder its drive stands for.
std::string AboveDrive(std::string_view archives, std::string_view ini);
// A relative Archives= that climbs `climbs` folders from `file`'s folder, which lies only `depth`
// folders below its drive's.
std::string AboveDriveFrom(std::string_view file, std::string_view archives, std::size_t climbs,
                           std::size_t depth, std::string_view ini);
}  // namespace setting

// The lock query's answers.
std::string NoArchive(std::string_view file);  // "<file>: NO LOCK FILE"
// `lost`: the user's lock that was broken or taken over (FileRecord::lost_lock), after the phrase.
std::string NotCheckedOut(std::string_view file, std::string_view lost = "");
// The phrase, a heading, the separator and the lock line: two blanks, the holder in 28 columns,
// two blanks, "locked revision <rev>".
std::string CheckedOut(std::string_view file, bool to_you, const FileLock& lock, std::string_view lost = "");

// The line after a lock query's answer that the repository did not give: why, naming the
// repository, for the first such answer (`why` not empty), or only that it comes from the working
// copy. The add-in's state words are not in it, so the state above it stands.
std::string Offline(std::string_view why);

// The history: a title, a heading and one line per revision in the order given.
std::string History(std::string_view file, const std::vector<Revision>& revisions);
std::string HistoryWithoutArchive(std::string_view file);

inline constexpr std::string_view kNoDifferences = "No differences";

// "<n> of <m> files extracted" / "updated", then the per-file lines.
std::string Summary(int done, int total, std::string_view verb, const std::vector<std::string>& file_lines);
std::string FileLine(std::string_view file, std::string_view what);

// What happened to one file of an extract or update.
namespace what {
inline constexpr std::string_view kNoArchive = "no archive; nothing done";
inline constexpr std::string_view kNoWorkFile = "no work file; not updated";
inline constexpr std::string_view kNamedBefore = "named before in this command; done once";
inline constexpr std::string_view kNotGivenOut =
    "writable work file was not given out by the engine; left untouched";
// A changed work file the user holds no lock on: bringing it up to date would merge into the
// change, restoring it would throw the change away.
inline constexpr std::string_view kChangedNotGivenOut =
    "changed work file was not given out by the engine; left untouched";
inline constexpr std::string_view kYoursWritable = "checked out to you and writable; work file kept";
inline constexpr std::string_view kUpToDate = "work file is up to date; not extracted";
inline constexpr std::string_view kNotYours = "not checked out to you; not updated";
inline constexpr std::string_view kNothingToDiscard = "not checked out to you; nothing to discard";
inline constexpr std::string_view kNoRevisionGiven = "no revision given; left alone";
// A locked file whose removal from the store was scheduled outside the engine: checked in, it
// would be deleted.
inline constexpr std::string_view kRemovedHere =
    "removed from version control in the working copy (svn delete); not checked in, still checked out to you";
std::string LockedBy(std::string_view holder);  // "checked out to <holder>; left alone"
std::string Extracted(std::string_view revision, bool locked);
std::string Reserved(std::string_view revision);
std::string AlreadyYours(std::string_view revision);
// A read-only work file under the user's lock that differs from its revision.
std::string ChangedKept(std::string_view revision);
// A work file the store left in conflict for the user to resolve; `revision` the one the
// conflict came in with, "" when the store cannot say.
std::string InConflict(std::string_view revision);
std::string Unchanged(std::string_view revision);  // update's F
std::string CheckedIn(std::string_view revision, bool kept);
std::string Reverted(std::string_view revision, bool kept);  // nothing changed, nothing stored
std::string Created(std::string_view revision, bool kept);
std::string Discarded(std::string_view revision, bool kept);
// A check-in stored but not finished: the line of the revision stored, before the store's account of the
// rest.
std::string Stored(const FileReport& report);
// " (<note>)": which of two contradicting options won, after the line of a file it applied to.
std::string WithNote(std::string what, std::string_view note);
std::string Failed(std::string_view reason);
// A lock or check-in of `newer` over a work file that came from an older revision (`base`, "" when
// unknown), which would store the old text over what came between: "the archive holds a newer
// revision, 2.1, than the work file (from 1.1); not locked (E brings it with the lock ...)".
std::string NewerNotLocked(std::string_view newer, std::string_view base);
std::string NewerNotCheckedIn(std::string_view newer, std::string_view base);
std::string FailedAsShown(std::string_view reason);  // the reason already in the answer's code page
// The user's lock broken in the store (`holder` "") or taken over by `holder`, and the one way
// out: Reserve Lock again, after a merge at a terminal where revision `newer` came in since (""
// when none did). Every command on the file says it, the lock query too.
std::string LostLock(std::string_view holder, std::string_view newer);
std::string LostLockLine(std::string_view lost);  // the file's line: `lost`, "; left alone"
// The remedy for a Subversion working copy at `root` that is locked or holds unfinished work
// which no engine's run that ended left: only the person knows whether a command still runs there.
std::string SvnCleanup(std::string_view root);
// After the line of a check-in whose answer Subversion lost, found stored in the repository.
inline constexpr std::string_view kReadBack =
    "the repository stored it before the connection was lost; read back";
// A file the repository no longer holds, which an update would take away from the user.
std::string DeletedInRepository(std::string_view revision);
std::string NotRegular(std::string_view which);  // "the archive is a FIFO, not a regular file; left alone"
// A file left as it was because its companion `name` is: "not extracted: its companion FORM1.FRX
// cannot be (checked out to bob)"; `why` is the companion's own line, its closing words dropped.
std::string CompanionRefused(std::string_view not_done, std::string_view name, std::string_view why);
// After the line of a file whose companion `name` the store did not do alike:
// "; its companion FORM1.FRX was not checked in", "; its companion FORM1.FRM was checked in".
std::string CompanionOutcome(std::string_view name, Request::Kind kind, bool done);
}  // namespace what

// COMMENT's and VERSION's answers.
std::string CommentSet(std::string_view user, std::string_view comment);
std::string CommentCleared(std::string_view user);
std::string VersionSet(std::string_view user, std::string_view version);
std::string VersionCleared(std::string_view user);

// CONFIG's answer; `archives` as shown: the setting, or where records live without one.
std::string ConfigRead(std::string_view ini_path, bool found, bool locking, std::string_view user_id,
                       std::string_view archives);

// A text with LF line ends (a diff) with CR LF ones, its last line ended too.
std::string WithCrLf(std::string_view text);

// A status as a person reads it on a terminal or in the log: LF line ends, the last line ended.
std::string ForPerson(std::string_view status);

}  // namespace wnorb16::status
