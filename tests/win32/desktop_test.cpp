// Message boxes, the message pump and the clipboard, on Windows' own.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "tests/support/vb_error.hpp"
#include "win32/clipboard_win32.hpp"
#include "win32/desktop_win32.hpp"

namespace {

// Plays the person at the box: waits (five seconds at most) for the dialog titled `title`, looks
// at it, then clicks `press`. What it showed goes to `shown`: the buttons it has of OK, Yes, No
// and Cancel by their letters, the default marked "*", then a blank and the prompt when it was
// there. A box never shown leaves the test's MsgBox waiting, so a box not found is closed the hard
// way by ending the test process with a message.
std::thread Press(const std::string& title, const std::string& prompt, int press, std::string& shown) {
  return std::thread([=, &shown] {
    HWND box = nullptr;
    for (int i = 0; i < 500 && box == nullptr; ++i) {
      box = ::FindWindowA("#32770", title.c_str());
      if (box != nullptr && !::IsWindowVisible(box)) box = nullptr;  // still being laid out
      if (box == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (box == nullptr) {
      std::fprintf(stderr, "no message box titled \"%s\" came\n", title.c_str());
      std::_Exit(3);
    }
    // A box may keep every button and show only its own.
    for (auto [id, letter] : std::initializer_list<std::pair<int, char>>{
             {IDOK, 'O'}, {IDYES, 'Y'}, {IDNO, 'N'}, {IDCANCEL, 'C'}}) {
      HWND button = ::GetDlgItem(box, id);
      if (button == nullptr || !::IsWindowVisible(button)) continue;
      shown += letter;
      if ((::GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) shown += '*';
    }
    for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
      char text[256];
      if (::GetWindowTextA(child, text, sizeof text) > 0 && prompt == text) shown += " " + prompt;
    }
    ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(press, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, press)));
  });
}

TEST(DesktopWin32, MsgBoxShowsWindowsOwnBoxAndAnswersTheButtonPressed) {
  win32::DesktopWin32 desktop("Version Control");
  struct Case {
    std::string prompt;
    int style;
    std::optional<std::string> title;
    int press;
    std::string buttons;
    int answer;
  };
  for (const Case& c : std::vector<Case>{
           {"Check out Form1?", platform::vbYesNo | platform::vbQuestion, "Check Out", IDNO, "Y*N",
            platform::vbNo},
           {"Undo the check-out?", platform::vbYesNo | platform::vbDefaultButton2, "Undo", IDYES, "YN*",
            platform::vbYes},
           {"The engine is not running.", platform::vbOKOnly | platform::vbExclamation, std::nullopt, IDOK,
            "O*", platform::vbOK},
       }) {
    std::string shown;
    std::thread person = Press(c.title.value_or("Version Control"), c.prompt, c.press, shown);
    int answer = desktop.MsgBox(c.prompt, c.style, c.title);
    person.join();
    EXPECT_EQ(answer, c.answer) << c.prompt;
    EXPECT_EQ(shown, c.buttons + " " + c.prompt);
  }
}

LRESULT CALLBACK Counting(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_APP) ++*reinterpret_cast<int*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  return ::DefWindowProcA(window, message, w, l);
}

TEST(DesktopWin32, DoEventsDispatchesWhatIsWaitingAndLeavesTheQuitForTheLoop) {
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = Counting;
  window_class.hInstance = ::GetModuleHandleA(nullptr);
  window_class.lpszClassName = "NorbDoEventsTest";
  ::RegisterClassA(&window_class);
  HWND window = ::CreateWindowExA(0, "NorbDoEventsTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  window_class.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  int seen = 0;
  ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&seen));
  win32::DesktopWin32 desktop("Version Control");

  for (int i = 0; i < 3; ++i) ::PostMessageA(window, WM_APP, 0, 0);
  desktop.DoEvents();
  EXPECT_EQ(seen, 3);
  desktop.DoEvents();  // nothing waiting: returns at once
  EXPECT_EQ(seen, 3);

  ::PostQuitMessage(7);
  ::PostMessageA(window, WM_APP, 0, 0);
  desktop.DoEvents();
  MSG message;
  ASSERT_TRUE(::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(std::make_pair(message.message, message.wParam), std::make_pair(UINT{WM_QUIT}, WPARAM{7}));
  ::DestroyWindow(window);
}

const char* const kFace[] = {"2 2 3 1", ". c None", "R c #C03020", "G c #2F9F3F", "R.", "GR"};

// The clipboard's CF_TEXT, as another program reads it.
std::optional<std::string> ForeignText() {
  if (!::OpenClipboard(nullptr)) return std::nullopt;
  std::optional<std::string> text;
  if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
    text = static_cast<const char*>(::GlobalLock(data));
    ::GlobalUnlock(data);
  }
  ::CloseClipboard();
  return text;
}

TEST(ClipboardWin32, TextAndPicturesGoWhereOtherProgramsReadThem) {
  win32::ClipboardWin32 clipboard;
  clipboard.SetData(std::string("Form1.frm"));
  EXPECT_EQ(ForeignText(), "Form1.frm");
  EXPECT_EQ(clipboard.GetData(), platform::ClipboardContent(std::string("Form1.frm")));

  // A picture goes as a bitmap, bottom row first; this clipboard knows it again.
  platform::Picture face{3, 2, 2, kFace};
  clipboard.SetData(face);
  EXPECT_EQ(clipboard.GetData(), platform::ClipboardContent(face));
  ASSERT_TRUE(::IsClipboardFormatAvailable(CF_DIB));
  EXPECT_FALSE(ForeignText().has_value());
  ASSERT_TRUE(::OpenClipboard(nullptr));
  HANDLE data = ::GetClipboardData(CF_DIB);
  ASSERT_NE(data, nullptr);
  const auto* header = static_cast<const BITMAPINFOHEADER*>(::GlobalLock(data));
  EXPECT_EQ(std::make_tuple(header->biWidth, header->biHeight, header->biBitCount),
            std::make_tuple(2L, 2L, WORD{24}));
  const auto* pixels = reinterpret_cast<const unsigned char*>(header + 1);
  DWORD face_colour = ::GetSysColor(COLOR_BTNFACE);
  // Bottom row "GR", then the top row "R." (the transparent pixel in the buttons' colour), each row
  // padded to four bytes.
  EXPECT_EQ(std::vector<int>(pixels, pixels + 16),
            (std::vector<int>{0x3F, 0x9F, 0x2F, 0x20, 0x30, 0xC0, 0, 0, 0x20, 0x30, 0xC0,
                              GetBValue(face_colour), GetGValue(face_colour), GetRValue(face_colour), 0, 0}));
  ::GlobalUnlock(data);
  ::CloseClipboard();

  // Another program's write replaces the picture; its text is read back as text.
  ASSERT_TRUE(::OpenClipboard(nullptr));
  ::EmptyClipboard();
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, 6);
  std::memcpy(::GlobalLock(block), "other", 6);
  ::GlobalUnlock(block);
  ::SetClipboardData(CF_TEXT, block);
  ::CloseClipboard();
  EXPECT_EQ(clipboard.GetData(), platform::ClipboardContent(std::string("other")));

  // Putting back nothing empties it.
  clipboard.Restore(std::monostate{});
  EXPECT_FALSE(::IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_EQ(clipboard.GetData(), platform::ClipboardContent());
}

}  // namespace
