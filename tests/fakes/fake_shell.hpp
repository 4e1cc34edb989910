// Shell for tests: writes each launch to the fakes' shared record as "launch COMMAND STYLE" (with
// " failed" when it raised 53) and answers increasing task ids; no process starts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/shell.hpp"
#include "vbrt/error.hpp"

namespace fakes {

class FakeShell : public platform::Shell {
 public:
  explicit FakeShell(std::vector<std::string>& record) : record_(record) {}
  // While failing, Run raises 53.
  void SetFailing(bool failing) { failing_ = failing; }

  double Run(std::string_view command_line, int window_style) override {
    record_.push_back("launch " + std::string(command_line) + " " + std::to_string(window_style) +
                      (failing_ ? " failed" : ""));
    if (failing_) vb::Raise(vb::err::FileNotFound);
    return ++started_;
  }

 private:
  std::vector<std::string>& record_;
  bool failing_ = false;
  double started_ = 0;
};

}  // namespace fakes
