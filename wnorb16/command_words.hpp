// The engine's command language: every command word and option letter, in one table, and the
// parser that turns one execute string into a command.
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace wnorb16 {

enum class CommandKind {
  kLockMode,         // G2LOCKING
  kChangeDirectory,  // CD dir
  kLockQuery,        // T file
  kHistory,          // L file
  kCompare,          // -C file file
  kConfigure,        // CONFIG
  kExtract,          // E[BFRS]W files
  kUpdate,           // U[DFKMSB]W files
  kComment,          // COMMENT [text]: the log message of the user's next check-in
  kVersion,          // VERSION [revision]: the revision of the user's next command with S
};

struct Command {
  CommandKind kind;
  std::string word;                // as received: "EBW", "T", ...
  std::string options;             // the option letters between the group's first and last, upper case
  std::vector<std::string> names;  // the arguments: one directory or file, two for -C, the file list,
                                   // COMMENT's text (none to clear it)
  bool Has(char option) const { return options.find(option) != std::string::npos; }
};

// The reason for a refusal, without "ERROR: ".
struct CommandError {
  std::string reason;
};

// What the engine takes at most. A project's check-in names every file in one command, so a
// command may be long; one name is bounded by what a POSIX path can be.
inline constexpr std::size_t kMaxCommandBytes = 2 * 1024 * 1024;
inline constexpr std::size_t kMaxNameBytes = 4096;

// `n` with a comma between each three digits: "10,485,765".
std::string Thousands(std::size_t n);

// Command words and option letters are taken in any case; file names are kept as received.
// A command beyond kMaxCommandBytes, a name beyond kMaxNameBytes and a NUL byte anywhere are
// refused before anything else is read: a NUL would cut the name where the system reads it.
std::variant<Command, CommandError> ParseCommand(std::string_view text);

// The command as a log line or an outcome shows it: NUL bytes as "\0", and one beyond
// kMaxCommandBytes cut to its start and its length.
std::string CommandAsShown(std::string_view text);

}  // namespace wnorb16
