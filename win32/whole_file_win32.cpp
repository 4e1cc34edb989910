// Whole-file reads and writes on Windows: only a file on disk is read (a device name such as
// "CON" or a pipe is refused), and a write replaces the file through a new one moved over it.
#include <windows.h>

#include <atomic>

#include "posix/whole_file.hpp"
#include "vbrt/error.hpp"

namespace posix {

namespace {

constexpr int kDiskFull = 61;

[[noreturn]] void RaiseForError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      vb::Raise(vb::err::PathNotFound);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      vb::Raise(kDiskFull);
    default:
      vb::Raise(vb::err::PathFileAccessError);
  }
}

std::string TooLarge(std::size_t limit) { return "is larger than " + std::to_string(limit) + " bytes"; }

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (ok()) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// The file opened for reading, others still free to write, rename or delete it; refused (with
// the reason) unless it is a file on disk.
HANDLE OpenRegular(const std::string& path, WholeFile& refused, std::uint64_t& size) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    refused.missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    refused.why =
        refused.missing ? "does not exist" : "cannot be opened: Windows error " + std::to_string(error);
    return INVALID_HANDLE_VALUE;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    refused.not_regular = true;
    refused.why = "is a folder, not a regular file";
    return INVALID_HANDLE_VALUE;
  }
  HANDLE file =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    refused.why = "cannot be opened: Windows error " + std::to_string(GetLastError());
    return file;
  }
  LARGE_INTEGER bytes;
  if (GetFileType(file) != FILE_TYPE_DISK) {
    refused.not_regular = true;
    refused.why = "is a device, not a regular file";
  } else if (!GetFileSizeEx(file, &bytes)) {
    refused.why = "cannot be read: Windows error " + std::to_string(GetLastError());
  } else {
    size = static_cast<std::uint64_t>(bytes.QuadPart);
    return file;
  }
  CloseHandle(file);
  return INVALID_HANDLE_VALUE;
}

bool ReadUpTo(HANDLE file, std::string& out, std::size_t limit) {
  char chunk[65536];
  while (out.size() < limit) {
    DWORD n = 0;
    const DWORD asked = static_cast<DWORD>(std::min<std::size_t>(sizeof chunk, limit - out.size()));
    if (!ReadFile(file, chunk, asked, &n, nullptr)) return false;
    if (n == 0) break;
    out.append(chunk, n);
  }
  return true;
}

bool WriteAll(HANDLE file, std::string_view contents) {
  while (!contents.empty()) {
    DWORD n = 0;
    const DWORD asked = static_cast<DWORD>(std::min<std::size_t>(contents.size(), 1u << 30));
    if (!WriteFile(file, contents.data(), asked, &n, nullptr) || n == 0) return false;
    contents.remove_prefix(n);
  }
  return true;
}

std::string TempNameFor(const std::string& target) {
  static std::atomic<unsigned> counter{0};
  auto slash = target.find_last_of("/\\");
  std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  return folder + "~" + name + ".norb-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(counter++);
}

}  // namespace

bool IsReadOnly(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

WholeFile ReadRegularFile(const std::string& path, std::size_t limit) {
  WholeFile result;
  std::uint64_t size = 0;
  Handle file(OpenRegular(path, result, size));
  if (!file.ok()) return result;
  std::string contents;
  if (size > limit) {
    result.too_large = true;
    result.why = TooLarge(limit);
  } else if (contents.reserve(static_cast<std::size_t>(size)); !ReadUpTo(file.get(), contents, limit + 1)) {
    result.why = "cannot be read: Windows error " + std::to_string(GetLastError());
  } else if (contents.size() > limit) {
    result.too_large = true;
    result.why = TooLarge(limit);
  } else {
    result.bytes = std::move(contents);
  }
  return result;
}

std::optional<FilePrefix> ReadFilePrefix(const std::string& path, std::size_t limit) {
  WholeFile unused;
  std::uint64_t size = 0;
  Handle file(OpenRegular(path, unused, size));
  if (!file.ok()) return std::nullopt;
  FilePrefix prefix;
  if (!ReadUpTo(file.get(), prefix.bytes, limit + 1)) return std::nullopt;
  prefix.whole = prefix.bytes.size() <= limit;
  if (!prefix.whole) prefix.bytes.resize(limit);
  return prefix;
}

std::optional<bool> HoldsNulByte(const std::string& path) {
  WholeFile unused;
  std::uint64_t size = 0;
  Handle file(OpenRegular(path, unused, size));
  if (!file.ok()) return std::nullopt;
  char chunk[65536];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(file.get(), chunk, sizeof chunk, &n, nullptr)) return std::nullopt;
    if (n == 0) return false;
    if (std::string_view(chunk, n).find('\0') != std::string_view::npos) return true;
  }
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t limit) {
  return ReadRegularFile(path, limit).bytes;
}

void WriteWholeFile(const std::string& path, std::string_view contents) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DEVICE)) != 0) {
    vb::Raise(vb::err::PathFileAccessError);
  }
  const std::string temp = TempNameFor(path);
  bool ok = false;
  DWORD error = 0;
  {
    Handle file(
        CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok()) RaiseForError(GetLastError());
    ok = WriteAll(file.get(), contents) && FlushFileBuffers(file.get());
    if (!ok) error = GetLastError();
  }
  if (ok && !MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ok = false;
    error = GetLastError();
  }
  if (!ok) {
    DeleteFileA(temp.c_str());
    RaiseForError(error);
  }
}

}  // namespace posix
