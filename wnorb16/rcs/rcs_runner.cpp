// What the engine's RCS runs are on every system: the programs' names and how a run is put.
#include "wnorb16/rcs/rcs_runner.hpp"

namespace wnorb16::rcs {

namespace {

// The command names of the one program for the program names of old.
std::string CommandName(const std::string& program) {
  if (program == "rcs") return "frob";
  if (program == "rcsdiff") return "diff";
  if (program == "rlog") return "log";
  return program;
}

}  // namespace

std::vector<std::string> ComplaintPrefixes(const std::string& program) {
  std::vector<std::string> prefixes{program + ": "};
  if (CommandName(program) != program) prefixes.push_back(CommandName(program) + ": ");
  return prefixes;
}

bool RcsRunner::HasCommands() const {
  if (has_commands_ < 0) {
    RcsResult probe = Spawn("rcs", {"rcs", "--commands"}, "");
    has_commands_ = probe.exit_code == 0 && probe.out.find(" co ") != std::string::npos ? 1 : 0;
  }
  return has_commands_ == 1;
}

RcsResult RcsRunner::Run(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& user) const {
  std::vector<std::string> argv;
  if (HasCommands()) {
    argv = {"rcs", CommandName(program)};
  } else {
    argv = {program};
  }
  for (const auto& argument : arguments) {
    bool text = argument.starts_with("-m") || argument.starts_with("-t-");
    argv.push_back(text ? TextArgument(argument) : argument);
  }
  return Spawn(argv.front(), argv, user);
}

}  // namespace wnorb16::rcs
