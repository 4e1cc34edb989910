#include "wnorb16/rcs/rcs_numbering.hpp"

namespace wnorb16::rcs {

namespace {

// The first field of a revision, plus one: a new trunk number.
Numbered NextRelease(const std::string& revision) {
  auto fields = RevisionFields(revision);
  if (!fields || fields->front() + 1 > kMaxRevisionField) return {"", revision};
  return {std::to_string(fields->front() + 1), ""};
}

// A branch from `revision` that does not exist yet: "1.3.2" when 1.3.1 is taken.
Numbered NewBranch(const Archive& archive, const std::string& revision) {
  if (!RevisionFields(revision)) return {"", revision};
  std::uint64_t highest = 0;
  std::string highest_first;
  if (const Delta* delta = archive.FindDelta(revision)) {
    for (const auto& first : delta->branches) {
      if (!first.starts_with(revision + ".")) continue;
      auto fields = RevisionFields(first);
      if (!fields || fields->size() <= static_cast<std::size_t>(RevisionDepth(revision))) return {"", first};
      if ((*fields)[RevisionDepth(revision)] >= highest) {
        highest = (*fields)[RevisionDepth(revision)];
        highest_first = first;
      }
    }
  }
  if (highest + 1 > kMaxRevisionField) return {"", highest_first};
  return {revision + "." + std::to_string(highest + 1), ""};
}

}  // namespace

// ci's -r for a check-in of the locked `revision`, or "" for RCS's own next number.
Numbered NewRevision(Numbering numbering, const Archive& archive, const std::string& revision,
                     const std::string& version) {
  if (numbering == Numbering::kSet) return {version, ""};
  if (numbering == Numbering::kMinor) return {};
  if (numbering == Numbering::kBranch) return NewBranch(archive, revision);
  // A new trunk number only from the trunk's head; elsewhere RCS numbers on its branch.
  if (RevisionDepth(revision) == 2 && revision == archive.head) return NextRelease(revision);
  return {};
}

}  // namespace wnorb16::rcs
