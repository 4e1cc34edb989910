#include "wnorb16/engine_config.hpp"

#include "posix/private_profile.hpp"

namespace wnorb16 {

namespace {
constexpr char kLocking[] = "Locking";
constexpr char kUserId[] = "UserID";
constexpr char kArchives[] = "Archives";
constexpr char kProjects[] = "Projects";
constexpr char kStore[] = "Store";
constexpr char kConfigDir[] = "ConfigDir";
constexpr char kStaleLock[] = "StaleLock";
}  // namespace

EngineConfig ParseConfig(const std::string& ini_text, const std::string& login_name) {
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
  return config;
}

std::string WriteConfig(const std::string& ini_text, const EngineConfig& config) {
  std::string text = posix::SetProfileValue(ini_text, kIniSection, kLocking, config.locking ? "Y" : "N");
  text = posix::SetProfileValue(text, kIniSection, kUserId, config.user_id);
  return posix::SetProfileValue(text, kIniSection, kArchives, config.archives);
}

std::string BesideSettings(const std::string& ini_path, const std::string& name) {
  auto slash = ini_path.find_last_of('/');
  return (slash == std::string::npos ? std::string() : ini_path.substr(0, slash + 1)) + name;
}

}  // namespace wnorb16
