// WNORB16.EXE: the engine the add-in links to, on Linux and on Windows alike. "-L" serves the
// link without a window; alone it is the interactive engine at a terminal, and serves as with -L
// when started without one. A serving engine logs every command to WNORB.LOG.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "posix/drive_map.hpp"
#include "posix/file_ops.hpp"
#include "posix/own_executable.hpp"
#include "posix/whole_file.hpp"
#include "vbrt/code_page.hpp"
#include "wnorb16/console.hpp"
#include "wnorb16/disk.hpp"
#include "wnorb16/end_signals.hpp"
#include "wnorb16/engine.hpp"
#include "wnorb16/engine_server.hpp"
#include "wnorb16/link_limits.hpp"
#include "wnorb16/link_service.hpp"
#include "wnorb16/process_info.hpp"
#include "wnorb16/status_log.hpp"
#include "wnorb16/status_text.hpp"
#include "wnorb16/terminal_input.hpp"

namespace {

using namespace wnorb16;

// Runs the commands in order; the first refused one ends the run with status 1, so that a
// script does not go on in a wrong folder or with wrong settings.
int RunCommands(EngineSetup setup, const std::vector<std::string>& commands) {
  Engine engine(std::move(setup));
  for (const auto& command : commands) {
    if (int signal_number = EndSignalCaught()) {
      std::cerr << "WNORB16.EXE: " << EndSignalText(signal_number)
                << "; the commands after it were not run\n";
      return 1;
    }
    const std::string status = ExecuteUtf8(engine, command);
    std::cout << status::ForPerson(status);
    if (status.starts_with("ERROR: ")) return 1;
  }
  return 0;
}

// The log every serving engine keeps, beside its settings; a log that cannot be written is said
// once and the engine serves on.
std::unique_ptr<StatusLog> OpenLog(const std::string& ini_path) {
  auto log = std::make_unique<StatusLog>(LogPathBeside(ini_path));
  if (!log->ok()) std::cerr << "WNORB16.EXE: cannot write the log " << LogPathBeside(ini_path) << "\n";
  return log;
}

// Read once, at the start: the bounds hold for the whole of a serving engine's run.
LinkLimits LimitsIn(const std::string& ini_path) {
  return ParseLinkLimits(posix::ReadWholeFile(ini_path).value_or(""));
}

int Interactive(EngineSetup setup, const std::string& bus_address) {
  const LinkLimits limits = LimitsIn(setup.ini_path);
  TerminalInput terminal;
  std::unique_ptr<StatusLog> status_log = OpenLog(setup.ini_path);
  Engine engine(std::move(setup));
  Console* console_ptr = nullptr;
  EngineServer server(
      engine,
      [&](std::string_view command, const std::string& status) {
        if (console_ptr != nullptr) console_ptr->FromLink(command, status);
      },
      status_log.get());
  Console console(server, std::cout);
  console_ptr = &console;
  console.Greet();

  LinkResult result = ServeLink(server, bus_address, &console, &terminal, limits, status_log.get());
  switch (result.outcome) {
    case LinkOutcome::kEnded:
      return 0;
    case LinkOutcome::kSignalled:
      std::cout << "The engine ends: " << result.detail << ".\n";
      return 0;
    case LinkOutcome::kAlreadyServed:
      std::cout
          << "Another WNORB16 engine is serving the link already; it is left as it is and this one ends.\n";
      return 0;
    case LinkOutcome::kNoBus:
      std::cout << "The link is not served (" << result.detail << "); commands typed here still work.\n";
      ServeTerminal(console, terminal);
      return 0;
    case LinkOutcome::kLost:
      std::cout << "The link was lost (" << result.detail << ").\n";
      return 1;
  }
  return 1;
}

int Served(EngineSetup setup, const std::string& bus_address) {
  const LinkLimits limits = LimitsIn(setup.ini_path);
  std::unique_ptr<StatusLog> status_log = OpenLog(setup.ini_path);
  Engine engine(std::move(setup));
  EngineServer server(engine, {}, status_log.get());
  status_log->Note("serving the link, user " + engine.config().user_id);
  LinkResult result = ServeLink(server, bus_address, nullptr, nullptr, limits, status_log.get());
  const bool failed = result.outcome == LinkOutcome::kNoBus || result.outcome == LinkOutcome::kLost;
  status_log->Note(result.outcome == LinkOutcome::kAlreadyServed ? "another engine serves the link; ending"
                                                                 : "ending: " + result.detail);
  if (failed) std::cerr << "WNORB16.EXE: " << result.detail << "\n";
  return failed ? 1 : 0;
}

}  // namespace

// An exception nothing handles (out of memory) ends the program with its message, as it should.
// NOLINTNEXTLINE(bugprone-exception-escape)
int main(int argc, char** argv) {
  OpenStandardFiles();
  CLI::App app{
      "WNORB16.EXE - the version-control engine of the add-in. It keeps files in GNU RCS archives and\n"
      "answers the add-in's commands over " +
      LinkHelp()};
  app.set_version_flag("--version", "WNORB16.EXE " NORB_VERSION);
  bool linked = false;
  std::string ini_path;
  std::string bus_address;
  std::vector<std::string> commands;
  app.add_flag("-L", linked, "Serve the link without a window or terminal");
  app.add_option(
      "--ini", ini_path,
      "Settings file instead of WNORB.INI in the user's configuration folder or beside the executable");
  app.add_option("-c,--command", commands,
                 "Run this command, print its status and end, without serving the link; give -c again for "
                 "more, run in order")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--bus", bus_address, "D-Bus address to serve on instead of the session bus (Linux only)");
  CLI11_PARSE(app, argc, argv);
  for (const std::string& problem :
       {BusAddressProblem(bus_address), vb::CodePageSettingProblem(), posix::DriveSettingProblem()}) {
    if (problem.empty()) continue;
    std::cerr << "WNORB16.EXE: " << problem << "\n";
    return 2;
  }

  CatchEndSignals();
  EngineSetup setup;
  setup.ini_path = ini_path.empty() ? FindSettings(posix::UserConfigFolder(), posix::ExecutableFolder())
                                    : posix::GivenPath(ini_path);
  // The user's configuration folder may not be there yet: the log and CONFIG's answers go into it.
  if (auto slash = setup.ini_path.find_last_of('/'); slash != std::string::npos && slash > 0) {
    posix::MakeFolders(setup.ini_path.substr(0, slash));
  }
  if (!commands.empty()) return RunCommands(std::move(setup), commands);
  if (!linked && AtTerminal()) return Interactive(std::move(setup), bus_address);
  return Served(std::move(setup), bus_address);
}
