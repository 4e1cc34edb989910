#include "addin/history/history_lines.hpp"

#include "vbrt/strings.hpp"

namespace norb {

using namespace vb;

namespace {
// The engine's first two lines (the title and the column heading) are never listed.
constexpr long kFirstListedLine = 3;
}  // namespace

void ListHistoryLines(std::string t, const std::function<void(const std::string&)>& add) {
  long k = 0;
  while (true) {
    k = k + 1;
    Long p = InStr(t, vbLf);
    if (p == 0) break;
    std::string line = Left(t, p - 1);
    t = Mid(t, p + 1);
    line = Trim(line);
    // Tested before the carriage return is cut: a CR LF line that is empty is listed empty.
    if (line != "" && k >= kFirstListedLine) {
      if (InStr(line, vbCr) > 0) line = Left(line, InStr(line, vbCr) - 1);
      if (InStr(line, vbLf) > 0) line = Left(line, InStr(line, vbLf) - 1);
      add(line);
    }
  }
}

}  // namespace norb
