// The system clipboard, on Windows: text as CF_TEXT, the add-in's pictures as bitmaps (CF_DIB).
#pragma once

#include <cstdint>
#include <optional>

#include "platform/clipboard.hpp"

namespace win32 {

class ClipboardWin32 : public platform::Clipboard {
 public:
  // Owns the clipboard through a message-only window of its own, made here.
  ClipboardWin32();
  ~ClipboardWin32() override;
  ClipboardWin32(const ClipboardWin32&) = delete;
  ClipboardWin32& operator=(const ClipboardWin32&) = delete;

  // The picture this put there while nobody has written since; else the text there; else
  // nothing (a bitmap of another program's included: it is no picture the add-in stored).
  platform::ClipboardContent GetData() override;
  // Empties the clipboard and puts the content there. Raises 521 when the clipboard stays
  // open elsewhere.
  void SetData(const platform::ClipboardContent& content) override;

 private:
  void* window_ = nullptr;  // the HWND that owns what this puts there
  std::optional<platform::Picture> picture_;
  std::uint32_t sequence_ = 0;  // the clipboard's sequence number just after this put picture_
};

}  // namespace win32
