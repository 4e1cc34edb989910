// The ",v" reader over any file bytes: the header as a lock query and a history read it, the
// whole archive, and the dates and revision numbers it holds. A header read whole is never
// malformed when only its first part has been read: the engine reads more on kTruncated.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "wnorb16/rcs/rcs_archive.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  wnorb16::rcs::Archive admin;
  wnorb16::rcs::ParseArchiveHeader(text, admin, wnorb16::rcs::HeaderPart::kAdmin);
  wnorb16::rcs::Archive header;
  wnorb16::rcs::ParseStatus whole = wnorb16::rcs::ParseArchiveHeader(text, header);
  if (whole == wnorb16::rcs::ParseStatus::kComplete && size > 0) {
    std::size_t cut = size * data[0] / 256;
    wnorb16::rcs::Archive part;
    if (wnorb16::rcs::ParseArchiveHeader(text.substr(0, cut), part) == wnorb16::rcs::ParseStatus::kMalformed)
      std::abort();
  }
  for (const auto& delta : header.deltas) {
    wnorb16::rcs::FormatRcsDate(delta.date);
    wnorb16::rcs::RcsDateSeconds(delta.date);
    wnorb16::rcs::RevisionDepth(delta.revision);
    if (wnorb16::rcs::CompareRevisions(delta.revision, header.head) !=
        -wnorb16::rcs::CompareRevisions(header.head, delta.revision)) {
      std::abort();
    }
    header.FindDelta(delta.next);
  }
  for (const auto& lock : header.locks) header.LockOf(lock.user);
  wnorb16::rcs::ParseArchive(text);
  return 0;
}
