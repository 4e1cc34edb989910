// Seam: the system clipboard, which carries the menu buttons' faces.
// Real: vbhost's clipboard (scenario runs keep their own; it is observable in transcripts).
#pragma once

#include <string>
#include <variant>

namespace platform {

// A picture stored with a form: `index` names it in its control array.
struct Picture {
  int index = -1;
  int width = 0;
  int height = 0;
  const char* const* xpm = nullptr;  // the image itself, XPM rows
  bool operator==(const Picture& o) const { return index == o.index && xpm == o.xpm; }
};

using ClipboardContent = std::variant<std::monostate, std::string, Picture>;

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  virtual ClipboardContent GetData() = 0;
  // Raises 521 when the clipboard cannot be opened.
  virtual void SetData(const ClipboardContent& content) = 0;
  // Puts back content saved earlier with GetData; a host may report it apart from a write.
  virtual void Restore(const ClipboardContent& content) { SetData(content); }
};

}  // namespace platform
