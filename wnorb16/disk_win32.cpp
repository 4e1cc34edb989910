// The disk's answers on Windows. A file's identity is its volume serial number and file index;
// its change time is the one NTFS keeps apart from the write time.
#include <windows.h>

#include <thread>

#include "wnorb16/disk.hpp"

// Windows names a call of its own so; the engine's is meant here.
#undef ReplaceFile

namespace wnorb16 {

namespace {

// 100-nanosecond ticks since 1601 to nanoseconds since 1970.
std::int64_t UnixNanoseconds(std::int64_t ticks) { return (ticks - 116444736000000000LL) * 100; }
std::int64_t UnixNanoseconds(const FILETIME& time) {
  return UnixNanoseconds(
      static_cast<std::int64_t>((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime));
}

std::int64_t Seconds(std::int64_t nanoseconds) {
  return nanoseconds >= 0 ? nanoseconds / 1000000000 : -((-nanoseconds + 999999999) / 1000000000);
}

}  // namespace

FileStatus StatusOf(const std::string& path) {
  FileStatus status;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return status;
  status.exists = true;
  status.is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  status.read_only = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  status.modified_ns = UnixNanoseconds(data.ftLastWriteTime);
  status.modified = Seconds(status.modified_ns);
  status.size = static_cast<std::int64_t>((std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow);
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) status.special = "a device";
  HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return status;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(file, &info)) {
    status.device = info.dwVolumeSerialNumber;
    status.inode = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  }
  FILE_BASIC_INFO basic;
  if (GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic)) {
    status.changed_ns = UnixNanoseconds(basic.ChangeTime.QuadPart);
  }
  CloseHandle(file);
  return status;
}

bool EntryExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The path resolver hands over no status of its own on Windows.
std::optional<FileStatus> StatusOfEntry(const struct stat&) { return std::nullopt; }

bool EntryExists(const std::string& path, std::optional<FileStatus>& status) {
  status.reset();
  return EntryExists(path);
}

bool OnLocalFileSystem(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') return false;  // a share named by its server
  const std::string root = path.substr(0, 2) + "\\";
  switch (GetDriveTypeA(root.c_str())) {
    case DRIVE_FIXED:
    case DRIVE_REMOVABLE:
    case DRIVE_CDROM:
    case DRIVE_RAMDISK:
      return true;
    default:
      return false;
  }
}

std::string WhyUnread(const posix::WholeFile& read) {
  if (read.bytes) return "";
  if (read.too_large)
    return "is larger than the " + std::to_string(posix::kWholeFileLimit >> 20) + " MiB the engine reads";
  return read.not_regular ? read.why : "cannot be read";
}

bool MoveUnlessThere(const std::string& from, const std::string& to) {
  // Without MOVEFILE_REPLACE_EXISTING a move never replaces what is there.
  return MoveFileExA(from.c_str(), to.c_str(), 0) != 0;
}

bool ReplaceFile(const std::string& path, std::string_view bytes) {
  const std::string temp = path + "." + std::to_string(GetCurrentProcessId()) + ".new";
  HANDLE file =
      CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  for (std::size_t at = 0; ok && at < bytes.size();) {
    DWORD n = 0;
    ok = WriteFile(file, bytes.data() + at, static_cast<DWORD>(bytes.size() - at), &n, nullptr) && n > 0;
    at += n;
  }
  ok = CloseHandle(file) && ok;
  if (ok && MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  DeleteFileA(temp.c_str());
  return false;
}

bool AppendToFile(const std::string& path, std::string_view bytes) {
  // Appending access alone: each write goes to the end, so lines two engines add do not interleave.
  HANDLE file =
      CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = GetFileType(file) == FILE_TYPE_DISK;
  DWORD n = 0;
  ok =
      ok && WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) && n == bytes.size();
  return CloseHandle(file) && ok;
}

void Pause(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

}  // namespace wnorb16
