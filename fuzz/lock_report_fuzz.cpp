// The add-in's reading of the engine's lock report into the "User ID" and "Type" columns, for a
// locked and an unlocked row of the component pass (errors reported, the next statement runs)
// and of the project pass (no trap).
#include <cstddef>
#include <cstdint>
#include <string>

#include "addin/status/lock_report.hpp"
#include "vbrt/error.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string columns[4];
  auto set = [&](int column, std::string value) { columns[column] = std::move(value); };
  for (bool locked : {false, true}) {
    norb::FillLockColumns(text, locked, true, vb::OnError::Report([](const vb::Error&) {}), set);
    try {
      norb::FillLockColumns(text, locked, false, vb::OnError::None(), set);
    } catch (const vb::Error&) {
    }
  }
  return 0;
}
