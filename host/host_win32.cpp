#include "host/host_win32.hpp"

namespace vbhost {

long HostWin32::GetPrivateProfileStringA(std::string_view section, std::string_view key,
                                         std::string_view default_value, std::string& buffer, long size,
                                         std::string_view file) {
  long n = real_->GetPrivateProfileStringA(section, key, default_value, buffer, size, file);
  observer_.Emit(events::Profile{"read", std::string(file), std::string(section), std::string(key),
                                 buffer.substr(0, static_cast<std::size_t>(n)), true});
  return n;
}

long HostWin32::WritePrivateProfileStringA(std::string_view section, std::string_view key,
                                           std::string_view value, std::string_view file) {
  long ok = real_->WritePrivateProfileStringA(section, key, value, file);
  observer_.Emit(events::Profile{"write", std::string(file), std::string(section), std::string(key),
                                 std::string(value), ok != 0});
  return ok;
}

}  // namespace vbhost
