// Clipboard for tests: holds its content.
#pragma once

#include "platform/clipboard.hpp"

namespace fakes {

class FakeClipboard : public platform::Clipboard {
 public:
  platform::ClipboardContent GetData() override { return content_; }
  void SetData(const platform::ClipboardContent& content) override { content_ = content; }

 private:
  platform::ClipboardContent content_;
};

}  // namespace fakes
