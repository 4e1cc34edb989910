// The number a check-in gives the new revision, worked out from the archive as RCS numbers:
// the next trunk number, a new branch, the next on the locked revision's line, or the one set.
#pragma once

#include <string>

#include "wnorb16/rcs/rcs_archive.hpp"
#include "wnorb16/store.hpp"

namespace wnorb16::rcs {

// A revision worked out from the archive's numbers, or the number that is out of range.
struct Numbered {
  std::string revision;  // ci's -r; "" for RCS's own next number
  std::string out_of_range;
};

// The new revision of a check-in of the locked `revision` under `numbering`.
Numbered NewRevision(Numbering numbering, const Archive& archive, const std::string& revision,
                     const std::string& version);

}  // namespace wnorb16::rcs
