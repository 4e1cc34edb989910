#include <windows.h>

#include <cstring>
#include <string>

#include "vbrt/error.hpp"
#include "win32/clipboard_win32.hpp"
#include "win32/picture_bits.hpp"

namespace win32 {

namespace {

constexpr char kWindowClass[] = "NorbClipboardOwner";

HWND MakeOwnerWindow() {
  static const ATOM registered = [] {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = ::DefWindowProcA;
    window_class.hInstance = ::GetModuleHandleA(nullptr);
    window_class.lpszClassName = kWindowClass;
    return ::RegisterClassA(&window_class);
  }();
  if (registered == 0) return nullptr;
  return ::CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           ::GetModuleHandleA(nullptr), nullptr);
}

// Another program may hold the clipboard for a moment: a few tries before giving up, as VB does.
bool OpenWithRetries(HWND owner) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (::OpenClipboard(owner)) return true;
    ::Sleep(10);
  }
  return false;
}

// A movable global block holding `bytes`, for SetClipboardData; null when memory runs out.
HGLOBAL GlobalCopy(const void* bytes, std::size_t size) {
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, size);
  if (block == nullptr) return nullptr;
  std::memcpy(::GlobalLock(block), bytes, size);
  ::GlobalUnlock(block);
  return block;
}

// Hands the block to the clipboard, which owns it from then on; frees it when refused.
bool Put(UINT format, HGLOBAL block) {
  if (block == nullptr) return false;
  if (::SetClipboardData(format, block) != nullptr) return true;
  ::GlobalFree(block);
  return false;
}

}  // namespace

ClipboardWin32::ClipboardWin32() : window_(MakeOwnerWindow()) {}

ClipboardWin32::~ClipboardWin32() {
  if (window_ != nullptr) ::DestroyWindow(static_cast<HWND>(window_));
}

platform::ClipboardContent ClipboardWin32::GetData() {
  if (picture_ && ::GetClipboardSequenceNumber() == sequence_) return *picture_;
  if (!::IsClipboardFormatAvailable(CF_TEXT) || !OpenWithRetries(static_cast<HWND>(window_))) return {};
  platform::ClipboardContent content;
  if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
    if (const char* text = static_cast<const char*>(::GlobalLock(data))) {
      content = std::string(text, strnlen(text, ::GlobalSize(data)));
      ::GlobalUnlock(data);
    }
  }
  ::CloseClipboard();
  return content;
}

void ClipboardWin32::SetData(const platform::ClipboardContent& content) {
  if (!OpenWithRetries(static_cast<HWND>(window_))) vb::Raise(521);
  ::EmptyClipboard();
  picture_.reset();
  bool put = true;
  if (const auto* text = std::get_if<std::string>(&content)) {
    put = Put(CF_TEXT, GlobalCopy(text->c_str(), text->size() + 1));
  } else if (const auto* picture = std::get_if<platform::Picture>(&content)) {
    // Transparent pixels take the colour of the buttons the face goes on.
    DWORD face = ::GetSysColor(COLOR_BTNFACE);
    std::uint32_t background = GetRValue(face) << 16 | GetGValue(face) << 8 | GetBValue(face);
    std::optional<std::string> bits = PackedBitmap(*picture, background);
    put = bits && Put(CF_DIB, GlobalCopy(bits->data(), bits->size()));
    if (put) picture_ = *picture;
  }
  ::CloseClipboard();
  if (!put) vb::Raise(521);
  sequence_ = ::GetClipboardSequenceNumber();
}

}  // namespace win32
