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

// Command words and option letters are taken in any case; file names are kept as received.
std::variant<Command, CommandError> ParseCommand(std::string_view text);

}  // namespace wnorb16
