// A stored picture (XPM rows) as the packed device-independent bitmap the clipboard carries.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/clipboard.hpp"

namespace win32 {

// A BITMAPINFOHEADER and 24-bit rows, bottom row first, each padded to four bytes; transparent
// pixels take `background` (0xRRGGBB). nullopt when the rows are not an XPM this reads (one or
// two characters a pixel, colours as "#RRGGBB" or "None").
std::optional<std::string> PackedBitmap(const platform::Picture& picture, std::uint32_t background);

}  // namespace win32
