// Whole-file reads and writes on POSIX paths, for every program: the one reader of regular files.
// Every write made through the platform goes through WriteWholeFile, so a read-only file is
// refused as Windows refuses it, even for root.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace posix {

// Read-only as Windows sees it: the owner's write bit is clear. False when nothing is there.
bool IsReadOnly(const std::string& posix_path);

// The most a whole-file read takes unless its caller says less: a FIFO or a device never
// comes this far, and a regular file larger than any the programs keep is refused, not read.
inline constexpr std::size_t kWholeFileLimit = std::size_t{256} << 20;

// A whole-file read: the bytes, or why there are none, in words that complete "<path> ..."
// ("does not exist", "is a FIFO, not a regular file", "is larger than 1024 bytes").
// A caller with words of its own tells the reasons apart by the flags.
struct WholeFile {
  std::optional<std::string> bytes;
  bool missing = false;      // nothing by that name, or a folder on the way is missing
  bool not_regular = false;  // a folder, a FIFO, a device or a socket
  bool too_large = false;    // more than the limit, or grown past it while read
  std::string why;
};

// Reads only a regular file, of at most `limit` bytes. The file is opened without blocking and
// its type checked on the open descriptor, so a FIFO or a device named like a file never hangs
// the reader or fills its memory.
WholeFile ReadRegularFile(const std::string& posix_path, std::size_t limit = kWholeFileLimit);

// The file's bytes (as ReadRegularFile reads them); nullopt when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& posix_path, std::size_t limit = kWholeFileLimit);

// The regular file's first `limit` bytes or fewer; `whole` says whether that is all of it.
// nullopt when it cannot be read (missing, not a regular file, a failed read).
struct FilePrefix {
  std::string bytes;
  bool whole = false;
};
std::optional<FilePrefix> ReadFilePrefix(const std::string& posix_path, std::size_t limit);

// Whether the regular file holds a NUL byte, read in pieces; nullopt when it cannot be read.
std::optional<bool> HoldsNulByte(const std::string& posix_path);

// Replaces the file's contents (creating it when missing) through a temporary file in the same
// folder renamed over it, so a failure leaves the old contents whole; the mode and, where
// permitted, the owner are kept. Raises 75 for a read-only file, a folder, or a failed write,
// 76 when the folder does not exist, 61 when the disk is full.
void WriteWholeFile(const std::string& posix_path, std::string_view contents);

}  // namespace posix
