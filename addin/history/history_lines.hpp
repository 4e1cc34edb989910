// The engine's history answer cut into the lines the version list shows. Apart from the form it
// fills, so the cutting can be driven with any text the engine might answer.
#pragma once

#include <functional>
#include <string>

namespace norb {

// Hands each listed line of `t` to `add`, in order: every LF-ended line from the third on that is
// not blank, cut at its first CR. The text after the last LF is not a line.
void ListHistoryLines(std::string t, const std::function<void(const std::string&)>& add);

}  // namespace norb
