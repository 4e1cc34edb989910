// The clipboard of a scenario run: its own, never the user's desktop clipboard.
#pragma once

#include "host/host_observer.hpp"
#include "platform/clipboard.hpp"

namespace vbhost {

class HostClipboard : public platform::Clipboard {
 public:
  explicit HostClipboard(HostObserver& observer) : observer_(observer) {}
  platform::ClipboardContent GetData() override { return content_; }
  void SetData(const platform::ClipboardContent& content) override;
  void Restore(const platform::ClipboardContent& content) override;
  // The scenario's own `set clipboard`: not an event of the add-in's.
  void Put(platform::ClipboardContent content) { content_ = std::move(content); }
  const platform::ClipboardContent& content() const { return content_; }

 private:
  HostObserver& observer_;
  platform::ClipboardContent content_;
};

}  // namespace vbhost
