// The Windows API of an IDE session: the platform's own (host/real_services.hpp), with every
// private-profile read and write reported to the host's observer.
#pragma once

#include <memory>

#include "host/host_observer.hpp"
#include "platform/win32.hpp"

namespace vbhost {

class HostWin32 : public platform::Win32 {
 public:
  HostWin32(HostObserver& observer, std::unique_ptr<platform::Win32> real)
      : observer_(observer), real_(std::move(real)) {}

  long GetModuleHandleA(std::string_view module_name) override {
    return real_->GetModuleHandleA(module_name);
  }
  long GetModuleFileNameA(long module, std::string& buffer, long size) override {
    return real_->GetModuleFileNameA(module, buffer, size);
  }
  long GetShortPathNameA(std::string_view long_path, std::string& buffer, long size) override {
    return real_->GetShortPathNameA(long_path, buffer, size);
  }
  long GetPrivateProfileStringA(std::string_view section, std::string_view key,
                                std::string_view default_value, std::string& buffer, long size,
                                std::string_view file) override;
  long WritePrivateProfileStringA(std::string_view section, std::string_view key, std::string_view value,
                                  std::string_view file) override;

 private:
  HostObserver& observer_;
  std::unique_ptr<platform::Win32> real_;
};

}  // namespace vbhost
