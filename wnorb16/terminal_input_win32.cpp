#include <windows.h>

#include <deque>
#include <iostream>
#include <mutex>
#include <thread>

#include "wnorb16/terminal_input.hpp"

namespace wnorb16 {

// A console read cannot be waited on together with DDE's messages (the console's handle is
// set by every key and mouse event, not by a whole line), so a thread reads whole lines and
// hands them over. It is left to end with the process: a read in hand cannot be cancelled.
struct TerminalInput::Impl {
  Impl() : ready(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Impl() {
    if (ready != nullptr) ::CloseHandle(ready);
  }

  std::mutex mutex;
  std::deque<std::string> lines;
  bool ended = false;
  HANDLE ready;  // set while a line or the end waits
};

TerminalInput::TerminalInput() : impl_(std::make_shared<Impl>()) {
  std::thread([impl = impl_] {
    std::string line;
    while (std::getline(std::cin, line)) {
      std::lock_guard lock(impl->mutex);
      impl->lines.push_back(std::move(line));
      ::SetEvent(impl->ready);
    }
    std::lock_guard lock(impl->mutex);
    impl->ended = true;
    ::SetEvent(impl->ready);
  }).detach();
}

TerminalInput::~TerminalInput() = default;

TerminalInput::Typed TerminalInput::Next(std::string& line) {
  std::lock_guard lock(impl_->mutex);
  if (!impl_->lines.empty()) {
    line = std::move(impl_->lines.front());
    impl_->lines.pop_front();
    return Typed::kLine;
  }
  if (impl_->ended) return Typed::kEnd;
  ::ResetEvent(impl_->ready);
  return Typed::kNothing;
}

int TerminalInput::fd() const { return -1; }

void* TerminalInput::ready_event() const { return impl_->ready; }

}  // namespace wnorb16
