#include "host/host_clipboard.hpp"

namespace vbhost {

void HostClipboard::SetData(const platform::ClipboardContent& content) {
  content_ = content;
  observer_.Emit(events::ClipboardWritten{"set", content});
}

void HostClipboard::Restore(const platform::ClipboardContent& content) {
  content_ = content;
  observer_.Emit(events::ClipboardWritten{"restore", content});
}

}  // namespace vbhost
