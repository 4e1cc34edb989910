// Clipboard for tests: holds its content and records every write the code under test made.
#pragma once

#include <vector>

#include "platform/clipboard.hpp"

namespace fakes {

class FakeClipboard : public platform::Clipboard {
 public:
  // The test's own arrangement: not recorded.
  void Put(platform::ClipboardContent content) { content_ = std::move(content); }
  const platform::ClipboardContent& content() const { return content_; }
  // Writes that took effect, in order.
  const std::vector<platform::ClipboardContent>& writes() const { return writes_; }
  // While failing, SetData raises 521 and changes nothing.
  void SetFailing(bool failing) { failing_ = failing; }

  platform::ClipboardContent GetData() override { return content_; }
  void SetData(const platform::ClipboardContent& content) override;

 private:
  platform::ClipboardContent content_;
  std::vector<platform::ClipboardContent> writes_;
  bool failing_ = false;
};

}  // namespace fakes
