#include "addin/status/lock_report.hpp"

#include "vbrt/strings.hpp"

namespace norb {

using namespace vb;

namespace {
// The engine's lock report: a 30-character holder column, then the type.
const std::string kLockSeparator = std::string(28, '-') + "  " + std::string(33, '-');
// The separator, the line break and the data line's first two characters.
constexpr Long kLockDataOffset = 67;
// The engine pads the holder to its 28 hyphens; the two blanks after them make this column 30 wide.
constexpr Long kHolderWidth = 30;
}  // namespace

void FillLockColumns(std::string t, bool locked, bool component_row, const OnError& step,
                     const SetLockColumn& set) {
  if (locked) {
    Long p = 0;
    step([&] { p = InStr(t, kLockSeparator); });
    step([&] { t = Mid(t, p + kLockDataOffset); });
    step([&] { t = Trim(Left(t, InStr(t, vbCr) - 1)); });
    step([&] { set(2, Trim(Left(t, kHolderWidth))); });
    step([&] { set(3, Trim(Mid(t, kHolderWidth))); });
    return;
  }
  step([&] {
    if (InStr(t, vbCr) > 0) t = Trim(Left(t, InStr(t, vbCr) - 1));
  });
  step([&] { set(2, "<no lock>"); });
  step([&] { set(3, component_row ? Trim(t) : t); });
}

}  // namespace norb
