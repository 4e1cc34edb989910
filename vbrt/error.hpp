// VB run-time errors: the one error style inside the add-in. Real implementations behind the
// seams raise these with the numbers and texts VB itself would give.
#pragma once

#include <stdexcept>
#include <string>

namespace vb {

// Numbers the add-in can meet, named as VB's documentation names them.
namespace err {
inline constexpr int InvalidProcedureCall = 5;
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int TypeMismatch = 13;
inline constexpr int BadFileNameOrNumber = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int DeviceIoError = 57;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccessError = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int ObjectNotSet = 91;
inline constexpr int DdeNoResponse = 282;
inline constexpr int DdeRefused = 285;
inline constexpr int DdeTimeout = 286;
inline constexpr int ForeignApplicationQuit = 291;
inline constexpr int DdeNoChannel = 293;
inline constexpr int ObjectUnloaded = 364;
inline constexpr int InvalidPropertyValue = 380;
inline constexpr int FormAlreadyDisplayed = 400;
inline constexpr int ObjectRequired = 424;
inline constexpr int NotSupported = 438;
inline constexpr int AutomationError = 440;
}  // namespace err

// VB's own description for a number; "Application-defined or object-defined error" otherwise.
std::string Description(int number);

// A run-time error: what On Error sees as Err.Number and Err.Description.
class Error : public std::runtime_error {
 public:
  explicit Error(int number);
  Error(int number, std::string description);

  int number() const noexcept { return number_; }
  const std::string& description() const noexcept { return description_; }

 private:
  int number_;
  std::string description_;
};

// Raises error `number` with VB's own description (Err.Raise).
[[noreturn]] void Raise(int number);
[[noreturn]] void Raise(int number, std::string description);

// `End` is not a run-time error: no trap may catch it, so it derives from nothing a trap
// catches. It unwinds to the host boundary, which then destroys the add-in's process state.
struct EndSignal {};

}  // namespace vb
