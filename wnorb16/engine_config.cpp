#include "wnorb16/engine_config.hpp"

#include <string_view>
#include <utility>

#include "posix/file_ops.hpp"
#include "posix/own_executable.hpp"
#include "posix/private_profile.hpp"
#include "wnorb16/run_lock.hpp"
#include "wnorb16/status_text.hpp"
#include "wnorb16/work_files.hpp"

namespace wnorb16 {

namespace {
constexpr char kLocking[] = "Locking";
constexpr char kUserId[] = "UserID";
constexpr char kArchives[] = "Archives";
constexpr char kProjects[] = "Projects";
constexpr char kStore[] = "Store";
constexpr char kConfigDir[] = "ConfigDir";
constexpr char kStaleLock[] = "StaleLock";
constexpr char kRepositoryTimeout[] = "RepositoryTimeout";
constexpr char kRcsPrograms[] = "RcsPrograms";

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view WithoutMark(std::string_view text) {
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  return text;
}
}  // namespace

EngineConfig ParseConfig(const std::string& ini_file, const std::string& login_name) {
  const std::string_view ini_text = WithoutMark(ini_file);
  EngineConfig config;
  if (auto locking = posix::FindProfileValue(ini_text, kIniSection, kLocking)) {
    config.locking = !(!locking->empty() && (locking->front() == 'N' || locking->front() == 'n'));
  }
  config.user_id = posix::FindProfileValue(ini_text, kIniSection, kUserId).value_or("");
  if (config.user_id.empty()) config.user_id = login_name;
  config.archives = posix::FindProfileValue(ini_text, kIniSection, kArchives).value_or("");
  config.projects = posix::FindProfileValue(ini_text, kIniSection, kProjects).value_or("");
  config.store = posix::FindProfileValue(ini_text, kIniSection, kStore).value_or("");
  config.config_dir = posix::FindProfileValue(ini_text, kIniSection, kConfigDir).value_or("");
  config.stale_lock = posix::FindProfileValue(ini_text, kIniSection, kStaleLock).value_or("");
  config.repository_timeout = posix::FindProfileValue(ini_text, kIniSection, kRepositoryTimeout).value_or("");
  config.rcs_programs = posix::FindProfileValue(ini_text, kIniSection, kRcsPrograms).value_or("");
  return config;
}

std::string WriteConfig(const std::string& ini_file, const EngineConfig& config) {
  const std::string_view ini_text = WithoutMark(ini_file);
  std::string text = posix::SetProfileValue(ini_text, kIniSection, kLocking, config.locking ? "Y" : "N");
  text = posix::SetProfileValue(text, kIniSection, kUserId, config.user_id);
  text = posix::SetProfileValue(text, kIniSection, kArchives, config.archives);
  return ini_text.size() == ini_file.size() ? text : std::string(kByteOrderMark) + text;
}

std::string SettingProblem(const std::string& ini_file, const std::string& ini) {
  const std::string_view ini_text = WithoutMark(ini_file);
  const std::pair<const char*, std::size_t> limits[] = {
      {kLocking, kMaxWordSettingBytes},      {kUserId, kMaxUserIdBytes},
      {kArchives, kMaxFolderSettingBytes},   {kProjects, kMaxFolderSettingBytes},
      {kStore, kMaxWordSettingBytes},        {kConfigDir, kMaxFolderSettingBytes},
      {kStaleLock, kMaxWordSettingBytes},    {kRepositoryTimeout, kMaxWordSettingBytes},
      {kRcsPrograms, kMaxFolderSettingBytes}};
  for (const auto& [key, most] : limits) {
    const std::size_t bytes = posix::FindProfileValue(ini_text, kIniSection, key).value_or("").size();
    if (bytes > most) return status::setting::TooLong(key, bytes, most, ini);
  }
  const std::string archives = posix::FindProfileValue(ini_text, kIniSection, kArchives).value_or("");
  if (IsRootedWindowsPath(archives) && ClimbsAbove(archives) > 0)
    return status::setting::AboveDrive(archives, ini);
  const std::string timeout = posix::FindProfileValue(ini_text, kIniSection, kRepositoryTimeout).value_or("");
  if (!RepositoryTimeoutOf(timeout))
    return status::setting::NotSeconds(kRepositoryTimeout, timeout, kMaxRepositoryTimeout.count(), ini);
  // Both stores lock their runs against a killed engine's leftovers.
  const std::string stale = posix::FindProfileValue(ini_text, kIniSection, kStaleLock).value_or("");
  if (!StaleLockOf(stale)) return status::setting::NotSeconds(kStaleLock, stale, kMaxStaleLock.count(), ini);
  return {};
}

std::optional<std::chrono::seconds> RepositoryTimeoutOf(const std::string& setting) {
  if (setting.empty()) return kDefaultRepositoryTimeout;
  if (setting.size() > 2 || setting.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  const std::chrono::seconds seconds{std::stoi(setting)};
  if (seconds < std::chrono::seconds(1) || seconds > kMaxRepositoryTimeout) return std::nullopt;
  return seconds;
}

std::string FindSettings(const std::string& user_folder, const std::string& program_folder) {
  std::string in_user_folder = user_folder + "/" + kIniFileName;
  std::string beside_program = program_folder + "/" + kIniFileName;
  if (posix::IsRegularFile(in_user_folder)) return in_user_folder;
  if (posix::IsRegularFile(beside_program) || posix::CanWriteIn(program_folder)) return beside_program;
  return in_user_folder;
}

std::string BesideSettings(const std::string& ini_path, const std::string& name) {
  auto slash = ini_path.find_last_of('/');
  return (slash == std::string::npos ? std::string() : ini_path.substr(0, slash + 1)) + name;
}

}  // namespace wnorb16
