// An RCS archive (",v" file) as the engine reads it: the administrative header, every delta and,
// when asked for, their log messages. Reading never starts an RCS program: a lock query must
// cost no more than reading the file's first bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wnorb16::rcs {

struct ArchiveLock {
  std::string user;
  std::string revision;

  bool operator==(const ArchiveLock&) const = default;
};

struct Delta {
  std::string revision;
  std::string date;  // as RCS keeps it: "2024.03.01.17.05.09" (UTC; two-digit years before 2000)
  std::string author;
  std::string state;
  std::vector<std::string> branches;  // the first revision of each branch that starts here
  std::string next;
  std::string log;  // only read by ParseArchive
};

struct Archive {
  std::string head;
  std::string branch;
  std::vector<ArchiveLock> locks;  // in the archive's order
  bool strict = false;
  std::string expand;         // the keyword substitution mode: "b" for a binary archive, "" for RCS's default
  std::vector<Delta> deltas;  // in the archive's order

  const Delta* FindDelta(std::string_view revision) const;
  // The first lock `user` holds; null when none.
  const ArchiveLock* LockOf(std::string_view user) const;
};

enum class ParseStatus { kComplete, kTruncated, kMalformed };

// How far a header is read: the administrative part (head, locks) or on to "desc" with every
// delta (their dates and branches) but without their logs.
enum class HeaderPart { kAdmin, kDeltas };

// The header up to `part`. kTruncated when `text` ends before it, so the caller can read more of
// the file.
ParseStatus ParseArchiveHeader(std::string_view text, Archive& out, HeaderPart part = HeaderPart::kDeltas);

// The whole archive, logs included; nullopt when it is not an RCS archive.
std::optional<Archive> ParseArchive(std::string_view text);

// "2024.03.01.17.05.09" as "2024/03/01 17:05:09"; two-digit years are 19xx.
std::string FormatRcsDate(std::string_view rcs_date);
// Seconds since 1970 (UTC); nullopt for a malformed date.
std::optional<std::int64_t> RcsDateSeconds(std::string_view rcs_date);

// The most a field of a revision number may count to: the engine refuses to work out a new
// revision from a larger one.
inline constexpr std::uint64_t kMaxRevisionField = 2147483647;
// A revision number's fields ("2.1.3.1": 2, 1, 3, 1); nullopt when it is not digits separated
// by single dots or a field exceeds kMaxRevisionField.
std::optional<std::vector<std::uint64_t>> RevisionFields(std::string_view revision);

// Revision numbers compare field by field as numbers: 1.9 < 1.10 < 2.1 < 2.1.1.1.
int CompareRevisions(std::string_view a, std::string_view b);
// The number of dot-separated fields: 2 for a trunk revision.
int RevisionDepth(std::string_view revision);

}  // namespace wnorb16::rcs
