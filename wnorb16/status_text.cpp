#include "wnorb16/status_text.hpp"

#include "vbrt/code_page.hpp"
#include "wnorb16/command_words.hpp"

namespace wnorb16::status {

namespace {

std::string Padded(std::string_view text, std::size_t width) {
  std::string out(text);
  if (out.size() < width) {
    out.append(width - out.size(), ' ');
  } else {
    out += ' ';  // an overlong field still stands apart from the next
  }
  return out;
}

std::string FirstLine(std::string_view text) {
  auto end = text.find_first_of("\r\n");
  return std::string(text.substr(0, end));
}

}  // namespace

std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) {
    out += line;
    out += kLineEnd;
  }
  return out;
}

std::string Error(std::string_view reason) { return Lines({"ERROR: " + std::string(reason)}); }

namespace reason {
std::string Unresolved(std::string_view file) { return "cannot resolve " + std::string(file); }
std::string NotRegular(std::string_view file, std::string_view which) {
  return std::string(file) + ": " + std::string(which) +
         ", not a regular file; the engine reads only regular files. Nothing was done";
}
std::string Unreadable(std::string_view file, std::string_view problem) {
  return "the archive of " + std::string(file) + " " + std::string(problem);
}
}  // namespace reason

namespace setting {
namespace {
std::string SetAnother(std::string_view ini) {
  return " (" + std::string(ini) + "); set another and send CONFIG";
}
}  // namespace
std::string TooLong(std::string_view key, std::size_t bytes, std::size_t most, std::string_view ini) {
  return std::string(key) + "= is " + Thousands(bytes) + " bytes long; the engine takes at most " +
         Thousands(most) + SetAnother(ini);
}
std::string NotSeconds(std::string_view key, std::string_view value, long long most, std::string_view ini) {
  return std::string(key) + "=\"" + std::string(value) + "\" is not a number of seconds from 1 to " +
         std::to_string(most) + SetAnother(ini);
}
std::string AboveDrive(std::string_view archives, std::string_view ini) {
  return "Archives=\"" + std::string(archives) + "\" climbs above the folder of its drive" + SetAnother(ini);
}
std::string AboveDriveFrom(std::string_view file, std::string_view archives, std::size_t climbs,
                           std::size_t depth, std::string_view ini) {
  return std::string(file) + ": Archives=\"" + std::string(archives) + "\" climbs " + Thousands(climbs) +
         " folders up from the file's folder, which is " + Thousands(depth) +
         " below the folder of its drive" + SetAnother(ini);
}
}  // namespace setting

std::string NoArchive(std::string_view file) { return Lines({std::string(file) + ": NO LOCK FILE"}); }

namespace {
// The add-in shows the first line of an answer without a lock: what became of the lock goes there.
std::string WithLost(const std::string& line, std::string_view lost) {
  return lost.empty() ? line : line + ": " + std::string(lost);
}
}  // namespace

std::string NotCheckedOut(std::string_view file, std::string_view lost) {
  return Lines({WithLost(std::string(file) + " is not checked out", lost)});
}

std::string CheckedOut(std::string_view file, bool to_you, const FileLock& lock, std::string_view lost) {
  std::string holder = lock.holder.substr(0, kHolderWidth);
  holder.append(kHolderWidth - holder.size(), ' ');
  return Lines(
      {WithLost(std::string(file) + (to_you ? " is checked out to you" : " is checked out to someone else"),
                lost),
       "  " + Padded("Locked by", kHolderWidth) + "  Type", std::string(kLockSeparator),
       "  " + holder + "  locked revision " + lock.revision});
}

std::string Offline(std::string_view why) {
  if (why.empty()) return Lines({"(offline: from the working copy)"});
  return Lines({"(offline: " + std::string(why) + "; answered from the working copy)"});
}

namespace {
// Archives hold UTF-8 texts; one that is not UTF-8 was written in a code page, and is taken as ours.
std::string FromArchive(const std::string& text) {
  return vb::IsUtf8(text) ? vb::ActiveCodePage().FromUtf8Lossy(text) : text;
}
}  // namespace

std::string History(std::string_view file, const std::vector<Revision>& revisions) {
  std::vector<std::string> lines{"History of " + std::string(file),
                                 "Revision  Date                 Author      Comment"};
  for (const Revision& r : revisions) {
    lines.push_back(Padded(r.revision, 10) + r.date + "  " + Padded(r.author, 12) +
                    FirstLine(FromArchive(r.log)));
  }
  return Lines(lines);
}

std::string HistoryWithoutArchive(std::string_view file) {
  return Lines({"History of " + std::string(file), "Revision  Date                 Author      Comment",
                std::string(file) + ": NO LOCK FILE"});
}

std::string Summary(int done, int total, std::string_view verb, const std::vector<std::string>& file_lines) {
  std::vector<std::string> lines{std::to_string(done) + " of " + std::to_string(total) + " files " +
                                 std::string(verb)};
  lines.insert(lines.end(), file_lines.begin(), file_lines.end());
  return Lines(lines);
}

std::string FileLine(std::string_view file, std::string_view what) {
  return std::string(file) + ": " + std::string(what);
}

namespace what {
std::string NotRegular(std::string_view which) {
  return std::string(which) + ", not a regular file; left alone";
}
std::string LockedBy(std::string_view holder) {
  return "checked out to " + std::string(holder) + "; left alone";
}
std::string Extracted(std::string_view revision, bool locked) {
  return "revision " + std::string(revision) + (locked ? " extracted and locked" : " extracted read-only");
}
std::string Reserved(std::string_view revision) {
  return "revision " + std::string(revision) + " locked; work file not touched";
}
std::string AlreadyYours(std::string_view revision) {
  return "revision " + std::string(revision) + " is already checked out to you";
}
std::string ChangedKept(std::string_view revision) {
  return "revision " + std::string(revision) +
         " is checked out to you and the work file was changed; work file kept";
}
std::string InConflict(std::string_view revision) {
  return std::string("in conflict") + (revision.empty() ? "" : " with revision " + std::string(revision)) +
         "; resolve it (svn resolve) first; left alone";
}
std::string Unchanged(std::string_view revision) {
  return "not changed since revision " + std::string(revision) + "; skipped";
}
std::string CheckedIn(std::string_view revision, bool kept) {
  return "checked in as revision " + std::string(revision) +
         (kept ? "; still checked out to you" : "; work file read-only");
}
std::string Reverted(std::string_view revision, bool kept) {
  return "unchanged; revision " + std::string(revision) + " kept" +
         (kept ? ", still checked out to you" : ", lock released");
}
std::string Created(std::string_view revision, bool kept) {
  return "archive created with revision " + std::string(revision) +
         (kept ? "; checked out to you" : "; work file read-only");
}
std::string Discarded(std::string_view revision, bool kept) {
  if (kept)
    return "changes discarded; work file restored to revision " + std::string(revision) +
           ", still checked out to you";
  return "lock released; work file restored to revision " + std::string(revision) + " read-only";
}
std::string Stored(const FileReport& report) {
  if (report.created) return Created(report.revision, report.kept);
  if (report.unchanged) return Reverted(report.revision, report.kept);
  return CheckedIn(report.revision, report.kept);
}
std::string WithNote(std::string what, std::string_view note) {
  if (note.empty()) return what;
  return what + " (" + std::string(note) + ")";
}
namespace {
// What closes the line of a file left as it was, which the line of its companion need not repeat.
constexpr std::string_view kLeftAsItWas[] = {"; left alone",     "; left untouched",
                                             "; not updated",    "; nothing to discard",
                                             "; work file kept", "; archive left unchanged"};
}  // namespace
std::string CompanionRefused(std::string_view not_done, std::string_view name, std::string_view why) {
  for (std::string_view closing : kLeftAsItWas) {
    if (why.ends_with(closing)) {
      why.remove_suffix(closing.size());
      break;
    }
  }
  return std::string(not_done) + ": its companion " + std::string(name) + " cannot be (" + std::string(why) +
         ")";
}
std::string CompanionOutcome(std::string_view name, Request::Kind kind, bool done) {
  std::string_view did = "extracted";
  if (kind == Request::Kind::kLock) did = "locked";
  if (kind == Request::Kind::kCheckIn) did = "checked in";
  if (kind == Request::Kind::kDiscard) did = "discarded";
  return "; its companion " + std::string(name) + (done ? " was " : " was not ") + std::string(did);
}
// The stores speak UTF-8, as every Linux program does.
std::string Failed(std::string_view reason) {
  return FailedAsShown(vb::ActiveCodePage().FromUtf8Lossy(reason));
}
std::string FailedAsShown(std::string_view reason) { return "failed: " + std::string(reason); }
std::string LostLock(std::string_view holder, std::string_view newer) {
  const std::string again = "Reserve Lock (ER) takes it again, the work file as it is";
  if (!holder.empty())
    return "your lock was taken over by " + std::string(holder) + "; once " + std::string(holder) +
           " releases it, " + again;
  if (newer.empty()) return "your lock was broken in the repository; " + again;
  return "your lock was broken in the repository and revision " + std::string(newer) +
         " came in since; merge it into the work file at a terminal (svn update), then " + again;
}
std::string LostLockLine(std::string_view lost) { return std::string(lost) + "; left alone"; }
std::string SvnCleanup(std::string_view root) {
  return "when no Subversion command runs in it any more, \"svn cleanup " + std::string(root) +
         "\" at a terminal frees it";
}
std::string DeletedInRepository(std::string_view revision) {
  return "deleted in the repository in revision " + std::string(revision) + "; work file left alone";
}
namespace {
std::string NewerThanWorkFile(std::string_view newer, std::string_view base) {
  return "the archive holds a newer revision, " + std::string(newer) + ", than the work file" +
         (base.empty() ? "" : " (from " + std::string(base) + ")");
}
}  // namespace
std::string NewerNotLocked(std::string_view newer, std::string_view base) {
  return NewerThanWorkFile(newer, base) +
         "; not locked (E brings it with the lock once a changed work file is moved aside)";
}
std::string NewerNotCheckedIn(std::string_view newer, std::string_view base) {
  return NewerThanWorkFile(newer, base) +
         "; not checked in, nothing merged (E brings it with the lock once the work file is moved aside)";
}
}  // namespace what

std::string CommentSet(std::string_view user, std::string_view comment) {
  return "Comment of " + std::string(user) + "'s next check-in: " + std::string(comment);
}
std::string CommentCleared(std::string_view user) {
  return "No comment set; " + std::string(user) + "'s next check-in says \"Checked in by WNORB16 (...)\"";
}
std::string VersionSet(std::string_view user, std::string_view version) {
  return "Version of " + std::string(user) + "'s next command with S: " + std::string(version);
}
std::string VersionCleared(std::string_view user) {
  return "No version set; " + std::string(user) + "'s next command with S is refused";
}

std::string ConfigRead(std::string_view ini_path, bool found, bool locking, std::string_view user_id,
                       std::string_view archives) {
  return Lines({std::string(found ? "Configuration read from " : "No configuration at ") +
                vb::ActiveCodePage().FromUtf8Lossy(ini_path) + (found ? "" : ", defaults in use") +
                ": Locking=" + (locking ? "Y" : "N") + ", UserID=" + std::string(user_id) +
                ", Archives=" + std::string(archives)});
}

std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  if (!out.empty() && out.back() != '\n') out += kLineEnd;
  return out;
}

std::string ForPerson(std::string_view status) {
  std::string shown;
  for (char c : status) {
    if (c != '\r') shown += c;
  }
  if (shown.empty() || shown.back() != '\n') shown += '\n';
  return shown;
}

}  // namespace wnorb16::status
