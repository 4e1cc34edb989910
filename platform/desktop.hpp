// Seam: the rest of what the add-in asks of the desktop: message boxes, the message loop,
// the foreground window and the help key.
// Real: vbhost's scripted desktop (host/scripted_desktop.hpp), which answers from a scenario's queue.
#pragma once

#include <optional>
#include <string_view>

namespace platform {

// MsgBox styles add up; answers are VB's.
inline constexpr int vbOKOnly = 0;
inline constexpr int vbYesNo = 4;
inline constexpr int vbQuestion = 32;
inline constexpr int vbExclamation = 48;
inline constexpr int vbInformation = 64;
inline constexpr int vbDefaultButton2 = 256;
inline constexpr int vbDefaultButton3 = 512;
inline constexpr int vbSystemModal = 4096;
inline constexpr int vbOK = 1;
inline constexpr int vbYes = 6;
inline constexpr int vbNo = 7;

class Desktop {
 public:
  virtual ~Desktop() = default;
  // Shows a message box and answers the button chosen. No title: the application's title.
  virtual int MsgBox(std::string_view prompt, int style, std::optional<std::string_view> title) = 0;
  // Lets queued events run (host calls, link updates) before it returns.
  virtual void DoEvents() = 0;
  // SetForegroundWindow on a form's window.
  virtual void SetForegroundWindow(std::string_view form) = 0;
  // The help key on a form: opens `help_file`.
  virtual void ShowHelp(std::string_view form, std::string_view help_file) = 0;
};

}  // namespace platform
