#include <unistd.h>

#include <cerrno>

#include "wnorb16/terminal_input.hpp"

namespace wnorb16 {

TerminalInput::TerminalInput() : buffer_(STDIN_FILENO), stream_(&buffer_) {}

TerminalInput::Unbuffered::int_type TerminalInput::Unbuffered::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  ssize_t n;
  do n = read(fd, &byte, 1);
  while (n < 0 && errno == EINTR);
  if (n != 1) return traits_type::eof();
  setg(&byte, &byte, &byte + 1);
  return traits_type::to_int_type(byte);
}

}  // namespace wnorb16
