// Sub Main: every start of the executable makes sure the IDE lists the add-in.
#include <string>

#include "addin/main_module.hpp"
#include "vbrt/on_error.hpp"
#include "vbrt/strings.hpp"

namespace norb {

using namespace vb;

namespace {
constexpr std::string_view kNotFound = "NotFound";
}  // namespace

void MainModule::Main() {
  auto step = OnError::ResumeNext();
  std::string buffer;
  std::string value;
  step([&] { buffer = String(255, '\0'); });
  // The size passed counts the string's terminator too, as VB hands strings to the API.
  step([&] {
    sys().win32.GetPrivateProfileStringA(kAddInsSection, kAddInKey, kNotFound, buffer, 256, kAddInList);
  });
  step([&] {
    Long nul = InStr(buffer, vbNullChar);
    value = nul > 0 ? Left(buffer, nul - 1) : buffer;
  });
  step([&] {
    if (value != kNotFound) return;
    long ok = 0;
    step([&] { ok = sys().win32.WritePrivateProfileStringA(kAddInsSection, kAddInKey, "0", kAddInList); });
    step([&] {
      if (ok != 0) {
        SystemModalMessage("NORB add-in installed...");
      } else {
        SystemModalMessage(
            "NORB add-in failed to write vbaddin.ini; is Visual Basic 5.0 properly installed on this "
            "machine?");
      }
    });
  });
}

}  // namespace norb
