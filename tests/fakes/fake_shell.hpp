// Shell for tests: records the launches and answers increasing task ids; no process starts.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/shell.hpp"

namespace fakes {

struct Launch {
  std::string command;
  int style = 0;
  bool ok = true;
  bool operator==(const Launch&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Launch& launch);

class FakeShell : public platform::Shell {
 public:
  // Every attempt, failed ones too.
  const std::vector<Launch>& launches() const { return launches_; }
  // While failing, Run raises 53.
  void SetFailing(bool failing) { failing_ = failing; }

  double Run(std::string_view command_line, int window_style) override;

 private:
  std::vector<Launch> launches_;
  bool failing_ = false;
  double next_task_ = 1;
};

}  // namespace fakes
