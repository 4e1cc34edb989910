// Whole-file reads and writes on POSIX paths. Every write made through the platform goes through
// WriteWholeFile, so a read-only file is refused as Windows refuses it, even for root.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace posix {

// Read-only as Windows sees it: the owner's write bit is clear. False when nothing is there.
bool IsReadOnly(const std::string& posix_path);

// The file's bytes; nullopt when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& posix_path);

// Replaces the file's contents (creating it when missing) through a temporary file in the same
// folder renamed over it, so a failure leaves the old contents whole; the mode and, where
// permitted, the owner are kept. Raises 75 for a read-only file, a folder, or a failed write,
// 76 when the folder does not exist, 61 when the disk is full.
void WriteWholeFile(const std::string& posix_path, std::string_view contents);

}  // namespace posix
