// The few questions the engine and its stores ask the disk about work files and records.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "posix/whole_file.hpp"

struct stat;

namespace wnorb16 {

struct FileStatus {
  bool exists = false;
  bool is_directory = false;
  bool read_only = false;        // the owner's write bit is clear, as Windows would see it
  std::int64_t modified = 0;     // seconds since 1970
  std::int64_t modified_ns = 0;  // nanoseconds since 1970
  std::int64_t size = 0;
  // Which file this is and when its inode last changed: with the size and `modified_ns`, what
  // tells a file rewritten or replaced (RCS replaces an archive by renaming a new one over it).
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t changed_ns = 0;
  // What is there when it is neither a regular file nor a folder ("a FIFO", "a character
  // device", ...); "" otherwise. The engine never reads such a file nor gives it to its store.
  std::string special;
};

// Whether the file system at `path` keeps its files on this machine, so a file's status changes
// the moment the file does. False for the client of a shared folder (NFS, SMB, a FUSE mount, 9p),
// which may answer a status it cached after the file changed on the server, and when it cannot be
// told.
bool OnLocalFileSystem(const std::string& path);

FileStatus StatusOf(const std::string& path);
// Whether anything is at `path`, a link itself counted (not followed).
bool EntryExists(const std::string& path);
// What lstat found at a path: StatusOf's answer unless it is a symbolic link (whose target only
// StatusOf can tell); nullopt then. Saves a second walk of a path just looked at.
std::optional<FileStatus> StatusOfEntry(const struct ::stat& entry);
// EntryExists, keeping StatusOfEntry's answer in `status`.
bool EntryExists(const std::string& path, std::optional<FileStatus>& status);

// Files are read through posix/whole_file.hpp, which reads only a regular file, opened without
// blocking and checked on the open descriptor: a FIFO or a link to a device in the file's place
// cannot hang the engine or fill its memory. It reads at most posix::kWholeFileLimit (256 MiB) of
// one file whole (an archive's history, the settings).

// Why a whole-file read gave nothing, in the engine's words, to follow the file's name ("is a FIFO,
// not a regular file", "is larger than the 256 MiB the engine reads", "cannot be read"); "" when
// it gave the bytes.
std::string WhyUnread(const posix::WholeFile& read);

// Moves a file to `to` within one file system, only when nothing is at `to` yet; false otherwise.
bool MoveUnlessThere(const std::string& from, const std::string& to);

// Replaces the file's contents by `bytes` through a new file renamed over it, so a reader sees the
// old contents or the new, never part of them; false when it cannot.
bool ReplaceFile(const std::string& path, std::string_view bytes);

// Adds `bytes` at the end of the existing regular file; false when it cannot.
bool AppendToFile(const std::string& path, std::string_view bytes);

void Pause(std::chrono::milliseconds duration);

}  // namespace wnorb16
