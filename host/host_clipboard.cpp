#include "host/host_clipboard.hpp"

namespace vbhost {

nlohmann::ordered_json ClipboardJson(const platform::ClipboardContent& content) {
  if (auto* text = std::get_if<std::string>(&content)) return *text;
  if (auto* picture = std::get_if<platform::Picture>(&content)) return {{"picture", picture->index}};
  return nullptr;
}

void HostClipboard::SetData(const platform::ClipboardContent& content) {
  content_ = content;
  observer_.Emit({{"event", "clipboard"}, {"action", "set"}, {"content", ClipboardJson(content)}});
}

void HostClipboard::Restore(const platform::ClipboardContent& content) {
  content_ = content;
  observer_.Emit({{"event", "clipboard"}, {"action", "restore"}, {"content", ClipboardJson(content)}});
}

}  // namespace vbhost
