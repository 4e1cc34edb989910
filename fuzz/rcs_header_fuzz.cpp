// The ",v" reader over any file bytes: the header as a lock query and a history read it, the
// whole archive, and the dates and revision numbers it holds. A header read whole is never
// malformed when only its first part has been read: the engine reads more on kTruncated.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "wnorb16/rcs_archive.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  wnorb16::Archive admin;
  wnorb16::ParseArchiveHeader(text, admin, wnorb16::HeaderPart::kAdmin);
  wnorb16::Archive header;
  wnorb16::ParseStatus whole = wnorb16::ParseArchiveHeader(text, header);
  if (whole == wnorb16::ParseStatus::kComplete && size > 0) {
    std::size_t cut = size * data[0] / 256;
    wnorb16::Archive part;
    if (wnorb16::ParseArchiveHeader(text.substr(0, cut), part) == wnorb16::ParseStatus::kMalformed)
      std::abort();
  }
  for (const auto& delta : header.deltas) {
    wnorb16::FormatRcsDate(delta.date);
    wnorb16::RcsDateSeconds(delta.date);
    wnorb16::RevisionDepth(delta.revision);
    if (wnorb16::CompareRevisions(delta.revision, header.head) !=
        -wnorb16::CompareRevisions(header.head, delta.revision)) {
      std::abort();
    }
    header.FindDelta(delta.next);
  }
  for (const auto& lock : header.locks) header.LockOf(lock.user);
  wnorb16::ParseArchive(text);
  return 0;
}
