#include "wnorb16/status_text.hpp"

#include "vbrt/code_page.hpp"

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

std::string NoArchive(std::string_view file) { return Lines({std::string(file) + ": NO LOCK FILE"}); }

std::string NotCheckedOut(std::string_view file) {
  return Lines({std::string(file) + " is not checked out"});
}

std::string CheckedOut(std::string_view file, bool to_you, const ArchiveLock& lock) {
  std::string holder = lock.user.substr(0, kHolderWidth);
  holder.append(kHolderWidth - holder.size(), ' ');
  return Lines({std::string(file) + (to_you ? " is checked out to you" : " is checked out to someone else"),
                "  " + Padded("Locked by", kHolderWidth) + "  Type", std::string(kLockSeparator),
                "  " + holder + "  locked revision " + lock.revision});
}

namespace {
// Archives hold UTF-8 texts; one that is not UTF-8 was written in a code page, and is taken as ours.
std::string FromArchive(const std::string& text) {
  return vb::IsUtf8(text) ? vb::ActiveCodePage().FromUtf8Lossy(text) : text;
}
}  // namespace

std::string History(std::string_view file, const std::vector<const Delta*>& revisions) {
  std::vector<std::string> lines{"History of " + std::string(file),
                                 "Revision  Date                 Author      Comment"};
  for (const Delta* d : revisions) {
    lines.push_back(Padded(d->revision, 10) + FormatRcsDate(d->date) + "  " + Padded(d->author, 12) +
                    FirstLine(FromArchive(d->log)));
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
std::string Discarded(std::string_view revision) {
  return "lock released; work file restored to revision " + std::string(revision) + " read-only";
}
// RCS speaks UTF-8, as every Linux program does.
std::string Failed(std::string_view reason) {
  return "failed: " + vb::ActiveCodePage().FromUtf8Lossy(reason);
}
}  // namespace what

std::string ConfigRead(std::string_view ini_path, bool found, bool locking, std::string_view user_id,
                       std::string_view archives) {
  std::string where =
      archives.empty() ? std::string("RCS folder or beside each file") : std::string(archives);
  return Lines({std::string(found ? "Configuration read from " : "No configuration at ") +
                vb::ActiveCodePage().FromUtf8Lossy(ini_path) + (found ? "" : ", defaults in use") +
                ": Locking=" + (locking ? "Y" : "N") + ", UserID=" + std::string(user_id) +
                ", Archives=" + where});
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
