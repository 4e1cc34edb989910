// Shell for tests: records the launches and answers increasing task ids; no process starts.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/shell.hpp"
#include "vbrt/error.hpp"

namespace fakes {

struct Launch {
  std::string command;
  int style = 0;
  bool ok = true;
  bool operator==(const Launch&) const = default;
  friend std::ostream& operator<<(std::ostream& out, const Launch& l) {
    return out << "Launch{\"" << l.command << "\", style " << l.style << (l.ok ? "" : ", failed") << "}";
  }
};

class FakeShell : public platform::Shell {
 public:
  // Every attempt, failed ones too.
  const std::vector<Launch>& launches() const { return launches_; }
  // While failing, Run raises 53.
  void SetFailing(bool failing) { failing_ = failing; }

  double Run(std::string_view command_line, int window_style) override {
    launches_.push_back({std::string(command_line), window_style, !failing_});
    if (failing_) vb::Raise(vb::err::FileNotFound);
    return static_cast<double>(launches_.size());
  }

 private:
  std::vector<Launch> launches_;
  bool failing_ = false;
};

}  // namespace fakes
