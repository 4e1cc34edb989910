// The few questions the engine asks the disk about work files and archive folders.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace wnorb16 {

struct FileStatus {
  bool exists = false;
  bool is_directory = false;
  bool read_only = false;        // the owner's write bit is clear, as Windows would see it
  std::int64_t modified = 0;     // seconds since 1970
  std::int64_t modified_ns = 0;  // nanoseconds since 1970
  std::int64_t size = 0;
};

// Clears the write bits of a file, as RCS leaves a work file without a lock; false when it cannot.
bool MakeReadOnly(const std::string& path);

FileStatus StatusOf(const std::string& path);

// The file's first `limit` bytes or fewer; `whole` says whether that is all of it. nullopt when
// it cannot be read.
struct FilePrefix {
  std::string bytes;
  bool whole = false;
};
std::optional<FilePrefix> ReadFilePrefix(const std::string& path, std::size_t limit);

// Creates the folder and any missing parents; false when it cannot.
bool MakeFolders(const std::string& path);

// Moves a file to `to` within one file system, only when nothing is at `to` yet; false otherwise.
bool MoveUnlessThere(const std::string& from, const std::string& to);

void Pause(std::chrono::milliseconds duration);

}  // namespace wnorb16
