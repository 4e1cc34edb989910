// The six menu-button faces, stored with the code as the pictures of frmDDE's Picture1 array.
#pragma once

#include "platform/clipboard.hpp"

namespace norb {

inline constexpr int kFaceCount = 6;
// Face `index` (0 options, 1 history, 2 compare, 3 run the engine, 4 project check-out,
// 5 project check-in).
platform::Picture Face(int index);

}  // namespace norb
