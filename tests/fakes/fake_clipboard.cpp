#include "tests/fakes/fake_clipboard.hpp"

#include "vbrt/error.hpp"

namespace fakes {

void FakeClipboard::SetData(const platform::ClipboardContent& content) {
  if (failing_) vb::Raise(521);
  content_ = content;
  writes_.push_back(content);
}

}  // namespace fakes
