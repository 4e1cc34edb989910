// The terminal's input as a stream that takes no byte before it is asked for one, so a poll on
// the descriptor still tells whether a typed line is waiting.
#pragma once

#include <istream>
#include <streambuf>

namespace wnorb16 {

class TerminalInput {
 public:
  // Standard input.
  TerminalInput();

  int fd() const { return buffer_.fd; }
  std::istream& stream() { return stream_; }

 private:
  struct Unbuffered : std::streambuf {
    explicit Unbuffered(int descriptor) : fd(descriptor) {}
    int_type underflow() override;
    int fd;
    char byte = 0;
  };

  Unbuffered buffer_;
  std::istream stream_;
};

}  // namespace wnorb16
