// Runs RCS's programs for the engine: no shell, standard input from /dev/null (so RCS never
// waits for an answer), LOGNAME set to the engine's user ID (RCS takes the lock holder from it)
// and RCSINIT removed (options from the environment would change what the engine asked for).
#pragma once

#include <string>
#include <vector>

namespace wnorb16 {

struct RcsResult {
  bool started = false;
  int exit_code = -1;  // -1 when it did not end normally
  std::string out;
  std::string err;
};

class RcsRunner {
 public:
  // `folder` holds the programs; "" finds them on PATH.
  explicit RcsRunner(std::string folder = "") : folder_(std::move(folder)) {}

  // `program` is "co", "ci", "rcs", "rlog" or "rcsdiff".
  RcsResult Run(const std::string& program, const std::vector<std::string>& arguments,
                const std::string& user) const;

 private:
  std::string folder_;
};

}  // namespace wnorb16
