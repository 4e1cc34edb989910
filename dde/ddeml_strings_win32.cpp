#include <windows.h>

#include <ddeml.h>

#include "dde/ddeml_strings.hpp"

namespace dde {

std::string StringOf(unsigned long instance, void* handle) {
  char text[256];
  DWORD length = ::DdeQueryStringA(instance, static_cast<HSZ>(handle), text, sizeof text, CP_WINANSI);
  return std::string(text, length);
}

std::string TextOf(void* data) {
  const auto handle = static_cast<HDDEDATA>(data);
  DWORD size = ::DdeGetData(handle, nullptr, 0, 0);
  std::string text(size, '\0');
  ::DdeGetData(handle, reinterpret_cast<LPBYTE>(text.data()), size, 0);
  return text.substr(0, text.find('\0'));
}

}  // namespace dde
