// The text of an RCS archive with a long trunk, as RCS writes it, for the history's test and
// benchmark: `revisions` revisions one second apart from 2024-01-01 00:00:00, each with the log
// "change N".
#pragma once

#include <cstdio>
#include <string>

namespace testing_support {

inline std::string LongTrunkArchive(int revisions) {
  std::string deltas, texts;
  for (int r = revisions; r >= 1; --r) {
    const int s = r - 1;  // seconds after the first revision
    char date[32];
    std::snprintf(date, sizeof date, "2024.01.%02d.%02d.%02d.%02d", 1 + s / 86400, s / 3600 % 24, s / 60 % 60,
                  s % 60);
    const std::string rev = "1." + std::to_string(r), next = r > 1 ? "1." + std::to_string(r - 1) : "";
    deltas += rev + "\ndate\t" + date + ";\tauthor ann;\tstate Exp;\nbranches;\nnext\t" + next + ";\n\n";
    texts += rev + "\nlog\n@change " + std::to_string(r) + "\n@\ntext\n@" +
             (r == revisions ? "last\n" : "d1 1\na1 1\nline " + std::to_string(r) + "\n") + "@\n\n";
  }
  return "head\t1." + std::to_string(revisions) + ";\naccess;\nsymbols;\nlocks; strict;\n\n" + deltas +
         "\ndesc\n@@\n\n" + texts;
}

}  // namespace testing_support
