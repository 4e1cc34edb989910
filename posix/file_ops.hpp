// The few file operations the programs, benches and tests need beyond the seams: what a path is,
// the write bit, folders (made with their parents, or a temporary one of one's own) and removal.
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

// Whose write bits SetReadOnly clears: the owner's alone (read-only as Windows sees it, undone
// by setting the owner's again), or everyone's, as RCS leaves a work file checked out unlocked.
enum class WriteBits { kOwner, kEveryone };

// Clears (read-only as Windows sees it) or sets the owner's write bit of a regular file,
// following links; the group's and others' bits stay as they are unless `clear` says everyone's.
// "" when done, else why not.
std::string SetReadOnly(const std::string& posix_path, bool read_only, WriteBits clear = WriteBits::kOwner);

// Creates the folder and any missing parents; false when it cannot, or something other than a
// folder is in the way.
bool MakeFolders(const std::string& posix_path);

// A new folder, private to the user, below the temporary folder ($TMPDIR when it is absolute,
// else /tmp); its name starts with `prefix`. The one place the programs, benches and tests make
// one.
std::optional<std::string> MakeTempFolder(std::string_view prefix);

// Removes a file, or an empty folder; false when it could not.
bool RemoveFile(const std::string& posix_path);
bool RemoveEmptyFolder(const std::string& posix_path);

// Standard output is a terminal: a person reads it.
bool StandardOutputIsTerminal();

}  // namespace posix
