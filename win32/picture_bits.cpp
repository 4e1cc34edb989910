#include "win32/picture_bits.hpp"

#include <cstdio>
#include <cstring>
#include <map>
#include <string_view>

namespace win32 {

namespace {

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// "#RRGGBB" or "None" after the " c " of a colour line.
std::optional<std::uint32_t> ColourOf(std::string_view line, std::uint32_t background) {
  auto c = line.find(" c ");
  if (c == std::string_view::npos) return std::nullopt;
  std::string_view value = line.substr(c + 3);
  value = value.substr(0, value.find(' '));
  if (value == "None" || value == "none") return background;
  if (value.size() != 7 || value[0] != '#') return std::nullopt;
  std::uint32_t rgb = 0;
  for (char ch : value.substr(1)) {
    int digit = ch >= '0' && ch <= '9'   ? ch - '0'
                : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10
                : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10
                                         : -1;
    if (digit < 0) return std::nullopt;
    rgb = rgb << 4 | static_cast<std::uint32_t>(digit);
  }
  return rgb;
}

}  // namespace

std::optional<std::string> PackedBitmap(const platform::Picture& picture, std::uint32_t background) {
  if (picture.xpm == nullptr) return std::nullopt;
  int width = 0, height = 0, colours = 0, per_pixel = 0;
  if (std::sscanf(picture.xpm[0], "%d %d %d %d", &width, &height, &colours, &per_pixel) != 4 || width <= 0 ||
      height <= 0 || colours <= 0 || per_pixel < 1 || per_pixel > 2) {
    return std::nullopt;
  }
  std::map<std::string, std::uint32_t, std::less<>> palette;
  for (int i = 1; i <= colours; ++i) {
    std::string_view line = picture.xpm[i];
    if (line.size() < static_cast<std::size_t>(per_pixel)) return std::nullopt;
    std::optional<std::uint32_t> rgb = ColourOf(line.substr(static_cast<std::size_t>(per_pixel)), background);
    if (!rgb) return std::nullopt;
    palette.emplace(std::string(line.substr(0, static_cast<std::size_t>(per_pixel))), *rgb);
  }

  const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
  std::string out;
  PutLittleEndian(out, 40, 4);  // the header's own size
  PutLittleEndian(out, static_cast<std::uint32_t>(width), 4);
  PutLittleEndian(out, static_cast<std::uint32_t>(height), 4);  // positive: bottom row first
  PutLittleEndian(out, 1, 2);                                   // planes
  PutLittleEndian(out, 24, 2);                                  // bits a pixel
  PutLittleEndian(out, 0, 4);                                   // BI_RGB
  PutLittleEndian(out, stride * static_cast<std::uint32_t>(height), 4);
  PutLittleEndian(out, 0, 16);  // resolution and palette counts: none
  for (int y = height - 1; y >= 0; --y) {
    std::string_view row = picture.xpm[1 + colours + y];
    if (row.size() < static_cast<std::size_t>(width * per_pixel)) return std::nullopt;
    for (int x = 0; x < width; ++x) {
      auto colour = palette.find(
          row.substr(static_cast<std::size_t>(x * per_pixel), static_cast<std::size_t>(per_pixel)));
      if (colour == palette.end()) return std::nullopt;
      PutLittleEndian(out, colour->second, 3);  // blue, green, red: the RGB value's bytes from the low end
    }
    out.append(stride - static_cast<std::uint32_t>(width) * 3, '\0');
  }
  return out;
}

}  // namespace win32
