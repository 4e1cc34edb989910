#include "wnorb16/work_files.hpp"

#include "posix/directory.hpp"
#include "vbrt/error.hpp"
#include "wnorb16/disk.hpp"

namespace wnorb16 {

namespace {

constexpr std::string_view kArchiveSuffix = ",v";
constexpr char kRcsFolder[] = "RCS";

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool HasDrive(std::string_view p) {
  return p.size() >= 2 && p[1] == ':' && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
}
bool IsRooted(std::string_view p) {
  if (HasDrive(p)) p.remove_prefix(2);
  return !p.empty() && IsSeparator(p[0]);
}

std::string Join(std::string_view windows_dir, std::string_view relative) {
  std::string out(windows_dir);
  if (!out.empty() && !IsSeparator(out.back())) out += '\\';
  out += relative;
  return out;
}

std::optional<std::string> ToPosix(const posix::PathResolver& resolver, std::string_view windows) {
  try {
    return resolver.ToPosix(windows);
  } catch (const vb::Error&) {
    return std::nullopt;
  }
}

}  // namespace

std::string WorkFiles::Absolute(std::string_view name) const {
  if (directory_.empty() || IsRooted(name)) return std::string(name);
  // "C:NAME" is relative to the current directory of drive C:, which is ours when CD went there.
  if (HasDrive(name)) {
    if (!HasDrive(directory_) || (directory_[0] | 0x20) != (name[0] | 0x20)) return std::string(name);
    name.remove_prefix(2);
  }
  return Join(directory_, name);
}

bool WorkFiles::ChangeDirectory(std::string_view windows_dir) {
  std::optional<std::string> posix_dir = ToPosix(resolver_, Absolute(windows_dir));
  if (!posix_dir || !StatusOf(*posix_dir).is_directory) return false;
  try {
    directory_ = resolver_.ToWindows(*posix_dir);
  } catch (const vb::Error&) {
    return false;
  }
  return true;
}

std::optional<WorkFile> WorkFiles::Locate(std::string_view name, std::string_view archives) const {
  if (name.empty() || IsSeparator(name.back())) return std::nullopt;
  std::optional<std::string> work = ToPosix(resolver_, Absolute(name));
  if (!work) return std::nullopt;
  const auto slash = work->find_last_of('/');
  const std::string folder = slash == 0 ? "/" : work->substr(0, slash);
  std::string base = work->substr(slash + 1);
  if (base.empty() || !StatusOf(folder).is_directory) return std::nullopt;
  const FileStatus work_status = StatusOf(*work);
  if (work_status.is_directory) return std::nullopt;

  WorkFile file;
  file.received = std::string(name);
  if (archives.empty()) {
    const std::string rcs = posix::JoinPath(folder, kRcsFolder);
    file.archive_folder = StatusOf(rcs).is_directory ? rcs : folder;
  } else {
    std::string windows_archives(archives);
    if (!IsRooted(archives)) {
      try {
        windows_archives = Join(resolver_.ToWindows(folder), archives);
      } catch (const vb::Error&) {
        return std::nullopt;
      }
    }
    std::optional<std::string> archive_folder = ToPosix(resolver_, windows_archives);
    if (!archive_folder) return std::nullopt;
    file.archive_folder = *archive_folder;
  }

  const std::string archive_name = base + std::string(kArchiveSuffix);
  std::optional<std::string> found = posix::FindEntry(file.archive_folder, archive_name);
  if (found && posix::EqualsIgnoringCase(*found, archive_name)) {
    file.archive = posix::JoinPath(file.archive_folder, *found);
    file.has_archive = true;
    // A work file that is not there takes the archive's spelling, as Windows would keep it.
    if (!work_status.exists) base = found->substr(0, found->size() - kArchiveSuffix.size());
  } else {
    file.archive = posix::JoinPath(file.archive_folder, archive_name);
  }
  file.work = posix::JoinPath(folder, base);
  return file;
}

std::string WorkFiles::RcsLockFile(const WorkFile& file) {
  const auto slash = file.archive.find_last_of('/');
  std::string name = file.archive.substr(slash + 1);
  if (name.ends_with(kArchiveSuffix)) name.resize(name.size() - kArchiveSuffix.size());
  return posix::JoinPath(file.archive.substr(0, slash == 0 ? 1 : slash), "," + name + ",");
}

}  // namespace wnorb16
