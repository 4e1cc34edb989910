// Message boxes, the message loop, the foreground window and the help key, on Windows.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/desktop.hpp"

namespace win32 {

class DesktopWin32 : public platform::Desktop {
 public:
  // A form's window (an HWND), or null while it has none: the host owns the forms' windows.
  using WindowOf = std::function<void*(std::string_view form)>;

  // `app_title` titles a message box given none, as VB's App.Title does.
  explicit DesktopWin32(std::string app_title, WindowOf window_of = {});

  // MessageBoxA over the active window: VB's styles and answers are Windows' own numbers.
  int MsgBox(std::string_view prompt, int style, std::optional<std::string_view> title) override;
  // Dispatches every message waiting in this thread's queue, then returns.
  void DoEvents() override;
  // Brings the form's window forward; nothing when it has none.
  void SetForegroundWindow(std::string_view form) override;
  // Opens the help file's contents (WinHelp) over the form's window; nothing without a file.
  void ShowHelp(std::string_view form, std::string_view help_file) override;

 private:
  std::string app_title_;
  WindowOf window_of_;
};

}  // namespace win32
