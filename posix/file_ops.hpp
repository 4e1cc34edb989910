// The few file operations vbhost's scenarios and the programs need beyond the seams: what a
// path is, the write bit, a temporary folder of one's own and its removal.
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct stat;

namespace posix {

// A regular file, following links.
bool IsRegularFile(const std::string& posix_path);
// The same, from what the path resolver's lstat saw there (PathResolver::ToPosix) unless that
// was a link or nothing: no second look at the path.
bool IsRegularFile(const std::string& posix_path, const std::optional<struct ::stat>& entry);
// The status of what the path names, following a link, taken from the resolver's lstat in the
// same way; false when nothing is there.
bool StatFollowing(const std::string& posix_path, const std::optional<struct ::stat>& entry,
                   struct ::stat& st);

// Clears (read-only as Windows sees it) or sets the owner's write bit of a regular file,
// following links; the group's and others' bits stay as they are. "" when done, else why not.
std::string SetReadOnly(const std::string& posix_path, bool read_only);

// A new folder, private to the user, below the temporary folder; its name starts with `prefix`.
std::optional<std::string> MakeTempFolder(std::string_view prefix);

// Removes a file, or an empty folder; false when it could not.
bool RemoveFile(const std::string& posix_path);
bool RemoveEmptyFolder(const std::string& posix_path);

// Standard output is a terminal: a person reads it.
bool StandardOutputIsTerminal();

}  // namespace posix
