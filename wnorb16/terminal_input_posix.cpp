#include <unistd.h>

#include <cerrno>
#include <istream>
#include <streambuf>

#include "wnorb16/terminal_input.hpp"

namespace wnorb16 {

namespace {

// Takes no byte before it is asked for one, so a poll on the descriptor still tells whether a
// typed line is waiting.
struct Unbuffered : std::streambuf {
  explicit Unbuffered(int descriptor) : fd(descriptor) {}
  int_type underflow() override {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    ssize_t n;
    do n = read(fd, &byte, 1);
    while (n < 0 && errno == EINTR);
    if (n != 1) return traits_type::eof();
    setg(&byte, &byte, &byte + 1);
    return traits_type::to_int_type(byte);
  }
  int fd;
  char byte = 0;
};

}  // namespace

struct TerminalInput::Impl {
  Unbuffered buffer{STDIN_FILENO};
  std::istream stream{&buffer};
};

TerminalInput::TerminalInput() : impl_(std::make_shared<Impl>()) {}

TerminalInput::~TerminalInput() = default;

TerminalInput::Typed TerminalInput::Next(std::string& line) {
  return std::getline(impl_->stream, line) ? Typed::kLine : Typed::kEnd;
}

int TerminalInput::fd() const { return impl_->buffer.fd; }

void* TerminalInput::ready_event() const { return nullptr; }

}  // namespace wnorb16
