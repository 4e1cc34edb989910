// Runs RCS's programs for the engine: no shell, standard input from /dev/null (so RCS never
// waits for an answer), LOGNAME set to the engine's user ID (RCS takes the lock holder from it)
// and RCSINIT removed (options from the environment would change what the engine asked for).
#pragma once

#include <string>
#include <vector>

namespace wnorb16::rcs {

struct RcsResult {
  bool started = false;
  int exit_code = -1;  // -1 when it did not end normally
  std::string out;
  std::string err;
};

// GNU RCS 5.10 has one program, "rcs", with the commands as its first argument; its "co", "ci",
// ... are shell scripts that run "rcs co" and so on through a shell and sed. Where "rcs" answers
// "--commands", the commands go to it straight; elsewhere the programs of their own name run.
class RcsRunner {
 public:
  enum class Programs {
    kDirect,  // through "rcs" when it has the commands
    kByName,  // always the programs of their own name, as a person types them
  };

  // `folder` holds the programs; "" finds them on PATH.
  explicit RcsRunner(std::string folder = "", Programs programs = Programs::kDirect)
      : folder_(std::move(folder)), has_commands_(programs == Programs::kByName ? 0 : -1) {}

  const std::string& folder() const { return folder_; }

  // `program` is "co", "ci", "rcs", "rlog" or "rcsdiff".
  RcsResult Run(const std::string& program, const std::vector<std::string>& arguments,
                const std::string& user) const;

  // The bytes one run's arguments may take, each counted as ArgumentBytes: the system's limit
  // (ARG_MAX) less the environment the program gets, with a margin.
  std::size_t ArgumentRoom(const std::string& user) const;

 private:
  RcsResult Spawn(const std::string& program, const std::vector<std::string>& argv,
                  const std::string& user) const;
  bool HasCommands() const;
  // A text RCS writes into the archive (a log message, a description) as the programs take it.
  static std::string TextArgument(const std::string& argument);

  std::string folder_;
  mutable int has_commands_;  // -1: not asked yet
};

// What one argument takes of the system's limit: its bytes, its NUL and its pointer.
inline std::size_t ArgumentBytes(const std::string& argument) { return argument.size() + 1 + sizeof(char*); }

// The names under which `program` prefixes its complaints: its own, and its command name
// under "rcs" ("frob" for "rcs" itself).
std::vector<std::string> ComplaintPrefixes(const std::string& program);

}  // namespace wnorb16::rcs
