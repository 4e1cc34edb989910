#include <windows.h>

#include <string>

#include "win32/desktop_win32.hpp"

namespace win32 {

static_assert(platform::vbYesNo == MB_YESNO && platform::vbQuestion == MB_ICONQUESTION &&
              platform::vbExclamation == MB_ICONEXCLAMATION &&
              platform::vbInformation == MB_ICONINFORMATION && platform::vbDefaultButton2 == MB_DEFBUTTON2 &&
              platform::vbDefaultButton3 == MB_DEFBUTTON3 && platform::vbSystemModal == MB_SYSTEMMODAL);
static_assert(platform::vbOK == IDOK && platform::vbYes == IDYES && platform::vbNo == IDNO);

DesktopWin32::DesktopWin32(std::string app_title, WindowOf window_of)
    : app_title_(std::move(app_title)), window_of_(std::move(window_of)) {}

int DesktopWin32::MsgBox(std::string_view prompt, int style, std::optional<std::string_view> title) {
  std::string caption(title.value_or(app_title_));
  return ::MessageBoxA(::GetActiveWindow(), std::string(prompt).c_str(), caption.c_str(),
                       static_cast<UINT>(style));
}

void DesktopWin32::DoEvents() {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The loop that owns the thread ends on it, not this pump: leave it for that loop.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

void DesktopWin32::SetForegroundWindow(std::string_view form) {
  if (!window_of_) return;
  if (HWND window = static_cast<HWND>(window_of_(form))) ::SetForegroundWindow(window);
}

void DesktopWin32::ShowHelp(std::string_view form, std::string_view help_file) {
  if (help_file.empty()) return;
  HWND window = window_of_ ? static_cast<HWND>(window_of_(form)) : nullptr;
  ::WinHelpA(window, std::string(help_file).c_str(), HELP_FINDER, 0);
}

}  // namespace win32
