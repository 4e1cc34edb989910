#include "wnorb16/component_files.hpp"

#include <map>
#include <set>
#include <string_view>

#include "vbrt/code_page.hpp"

namespace wnorb16 {

namespace {

// Each designer extension, then its companion's.
constexpr std::string_view kPairs[][2] = {
    {"frm", "frx"}, {"ctl", "ctx"}, {"pag", "pgx"}, {"dsr", "dsx"}, {"dob", "dox"},
};

bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
  }
  return true;
}

}  // namespace

std::vector<std::size_t> Companions(const std::vector<std::string>& work_paths) {
  std::vector<std::size_t> companion(work_paths.size(), kNoCompanion);
  std::set<std::string_view> seen;
  // Files still waiting for their companion, by folder, pair and base name as the code page
  // spells it in capitals: names equal but for case meet there (a name the code page cannot spell
  // meets others as "?"s, and is compared letter by letter).
  std::multimap<std::string, std::size_t> waiting;
  std::vector<std::string_view> bases(work_paths.size());
  for (std::size_t i = 0; i < work_paths.size(); ++i) {
    const std::string_view path = work_paths[i];
    if (!seen.insert(path).second) continue;
    const std::size_t slash = path.rfind('/') + 1;  // npos + 1 is 0: no folder
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < slash) continue;
    const std::string_view extension = path.substr(dot + 1);
    for (std::size_t pair = 0; pair < std::size(kPairs); ++pair) {
      for (int side = 0; side < 2; ++side) {
        if (!SameAscii(extension, kPairs[pair][side])) continue;
        bases[i] = path.substr(slash, dot - slash);
        std::string capitals;
        for (char c : vb::ActiveCodePage().FromUtf8Lossy(bases[i])) capitals += vb::ActiveCodePage().Upper(c);
        // Folder, pair, side, name: the other side waits under the same key but for its side.
        const std::string key = std::string(path.substr(0, slash)) + '\0' + std::to_string(pair) + '\0';
        auto [from, to] = waiting.equal_range(key + char('1' - side) + capitals);
        auto match = from;
        while (match != to && !vb::Utf8EqualsIgnoringCase(bases[match->second], bases[i])) ++match;
        if (match != to) {
          companion[i] = match->second;
          companion[match->second] = i;
          waiting.erase(match);
        } else {
          waiting.emplace(key + char('0' + side) + capitals, i);
        }
      }
    }
  }
  return companion;
}

}  // namespace wnorb16
