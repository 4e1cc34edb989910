// A designer file and its binary companion (FORM1.FRM and FORM1.FRX) are one component: the
// designer's text points into the companion's bytes, so a command that names both keeps them
// together, locked, extracted and checked in both or neither. One rule for every store.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace wnorb16 {

inline constexpr std::size_t kNoCompanion = static_cast<std::size_t>(-1);

// For each of `work_paths` (POSIX paths), the index of its companion among them, or kNoCompanion:
// a designer file (.frm .ctl .pag .dsr .dob) and its companion (.frx .ctx .pgx .dsx .dox) in the
// same folder with the same base name, case aside. A path named again is nobody's companion: only
// its first naming counts.
std::vector<std::size_t> Companions(const std::vector<std::string>& work_paths);

}  // namespace wnorb16
