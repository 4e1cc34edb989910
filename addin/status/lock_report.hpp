// The engine's lock report read into a row's "User ID" and "Type" columns. Apart from the list it
// fills, so the reading can be driven with any text the engine might answer.
#pragma once

#include <functional>
#include <string>

#include "vbrt/on_error.hpp"

namespace norb {

// Writes one column of the row: 2 is "User ID", 3 is "Type".
using SetLockColumn = std::function<void(int column, std::string text)>;

// The columns from the status text `t`, one statement at a time under `step`: in the component
// pass a report without a line end fails the cut and the columns are still filled from the uncut
// text; the project pass has no trap of its own. `locked` when the row shows a lock (image 2 or
// 3). A component row trims an unlocked row's type; the project row keeps it as it stands.
void FillLockColumns(std::string t, bool locked, bool component_row, const vb::OnError& step,
                     const SetLockColumn& set);

}  // namespace norb
