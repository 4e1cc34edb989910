// The add-in's cutting of the engine's history answer into list lines: no listed line holds a
// line break, and there are never more than the answer's lines after the first two.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "addin/history/history_lines.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::size_t lines = 0;
  norb::ListHistoryLines(text, [&](const std::string& line) {
    if (line.find_first_of("\r\n") != std::string::npos) std::abort();
    ++lines;
  });
  std::size_t breaks = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  if (lines + 2 > std::max<std::size_t>(breaks, 2)) std::abort();
  return 0;
}
