// The private-profile (INI) reader and writer over any file text: a plain key set in a plain
// section reads back as the value written.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "posix/private_profile.hpp"

namespace {
bool Plain(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  std::string section = in.ConsumeRandomLengthString(40);
  std::string key = in.ConsumeRandomLengthString(40);
  std::string value = in.ConsumeRandomLengthString(40);
  std::string text = in.ConsumeRemainingBytesAsString();

  posix::FindProfileValue(text, section, key);
  std::string written = posix::SetProfileValue(text, section, key, value);
  if (Plain(section) && Plain(key) && Plain(value) &&
      posix::FindProfileValue(written, section, key) != value) {
    std::abort();
  }
  return 0;
}
