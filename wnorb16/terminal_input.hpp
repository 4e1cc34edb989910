// The lines a person types at the engine's terminal (its standard input), taken between the
// link's commands: a loop waits for typed input and the link at once.
#pragma once

#include <memory>
#include <string>

namespace wnorb16 {

class TerminalInput {
 public:
  // Standard input.
  TerminalInput();
  ~TerminalInput();
  TerminalInput(const TerminalInput&) = delete;
  TerminalInput& operator=(const TerminalInput&) = delete;

  enum class Typed {
    kLine,     // a line, without its line end
    kNothing,  // no whole line waits (Windows only)
    kEnd,      // the input has ended
  };
  // On POSIX reads the next line, waiting for it (poll fd() first). On Windows a thread of its
  // own reads standard input: this answers a line it has read, or kNothing without waiting.
  Typed Next(std::string& line);

  // POSIX: readable while typed bytes wait, for poll; -1 on Windows.
  int fd() const;
  // Windows: an event set while a line or the end of input waits to be taken; null on POSIX.
  void* ready_event() const;

  struct Impl;

 private:
  std::shared_ptr<Impl> impl_;
};

}  // namespace wnorb16
