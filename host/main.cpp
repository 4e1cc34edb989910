// vbhost: the stand-in for the Visual Basic 5.0 IDE.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <utility>

#include "host/desktop_entry.hpp"
#include "host/readable_account.hpp"
#include "host/run_bus.hpp"
#include "host/scenario_lexer.hpp"
#include "host/scenario_runner.hpp"
#include "posix/drive_map.hpp"
#include "posix/file_ops.hpp"
#include "posix/own_executable.hpp"
#include "vbrt/code_page.hpp"

namespace {

// What follows the command line's checks; an error it does not handle ends vbhost in main.
int Run(bool desktop, const std::string& scenario, const std::string& transcript_path, std::string format,
        std::string bus, const std::string& project, const std::string& windir, int argc, char** argv) {
  std::ofstream file;
  std::ostream* out = &std::cout;
  if (!transcript_path.empty()) {
    file.open(transcript_path, std::ios::binary | std::ios::trunc);
    if (!file) {
      std::cerr << "vbhost: cannot write " << transcript_path << "\n";
      return 1;
    }
    out = &file;
  }
  vbhost::RunBus run_bus;
  try {
    run_bus = vbhost::StartRunBus(std::move(bus));
  } catch (const std::exception& e) {
    std::cerr << "vbhost: " << e.what() << "\n";
    return 1;
  }
  if (desktop) {
    vbhost::DesktopStart options{
        vbhost::SessionOptions{posix::ExecutableFolder(), run_bus.address, run_bus.is_private}, windir};
    if (!windir.empty()) options.windows_directory = std::filesystem::absolute(windir).string();
    if (file.is_open()) options.transcript = &file;
    return vbhost::RunDesktop(argc, argv, project, options);
  }
  if (format.empty()) format = transcript_path.empty() && posix::StandardOutputIsTerminal() ? "text" : "json";
  vbhost::ReadableAccount account(*out);
  int status = 0;
  try {
    vbhost::RunnerOptions options{posix::ExecutableFolder(), run_bus.address, run_bus.is_private};
    auto runner = format == "text" ? std::make_unique<vbhost::ScenarioRunner>(account, std::move(options))
                                   : std::make_unique<vbhost::ScenarioRunner>(*out, std::move(options));
    runner->RunFile(scenario);
  } catch (const vbhost::ScenarioError& e) {
    std::cerr << "vbhost: " << e.what() << "\n";
    status = 2;
  }
  if (format == "text") account.Finish();
  // A transcript that was cut short (a full disk, a closed pipe) is no success: the stream's
  // failure is sticky, so one check after the last flush and the close covers every write.
  out->flush();
  bool written = static_cast<bool>(*out);
  if (file.is_open()) {
    file.close();
    written = written && !file.fail();
  }
  if (!written) {
    std::cerr << "vbhost: cannot write the transcript to "
              << (transcript_path.empty() ? std::string("standard output") : transcript_path) << "\n";
    if (status == 0) status = 1;
  }
  return status;
}

}  // namespace

// An exception nothing handles (out of memory) ends the program with its message, as it should.
// NOLINTNEXTLINE(bugprone-exception-escape)
int main(int argc, char** argv) {
  CLI::App app{
      "vbhost - a stand-in for the Visual Basic 5.0 IDE. It loads VB5/VB6 projects from disk,\n"
      "hosts the NORBVB5 version-control add-in in-process and runs scenario scripts whose\n"
      "JSON-lines transcript shows everything a person or the engine would observe.\n"
      "The scenario language and the transcript are described in docs/scenarios.md."};
  app.require_subcommand(1);
  app.set_version_flag("--version", "vbhost " NORB_VERSION);

  std::string scenario;
  std::string transcript_path;
  CLI::App* run = app.add_subcommand("run", "Run a scenario script and write its transcript");
  run->add_option("SCENARIO", scenario, "The scenario file")->required();
  run->add_option("--transcript", transcript_path, "Write the transcript here instead of standard output");
  std::string format;
  run->add_option("--format", format,
                  "json: the JSON-lines transcript; text: a readable account for a person (one line\n"
                  "for each thing the add-in showed, asked or sent, the engine's outcomes, the lock\n"
                  "states as a table). Default: text on a terminal without --transcript, else json")
      ->check(CLI::IsMember({"json", "text"}));
  std::string bus;
  // Windows' DDE finds the engine by broadcast: no bus to choose there.
  if (vbhost::kBusChoice) {
    run->add_option("--bus", bus,
                    "Where the add-in meets the real engine: the user's session bus, or a private\n"
                    "dbus-daemon started for this run and the programs it launches, stopped at exit.\n"
                    "Default: session when DBUS_SESSION_BUS_ADDRESS is set, else private")
        ->check(CLI::IsMember({"session", "private"}));
  }

  std::string project;
  CLI::App* gui = app.add_subcommand(
      "gui", vbhost::kDesktopBuilt ? "Open the desktop IDE: menus, the Project window, the add-in's dialogs"
                                   : "Not in this build: the desktop IDE needs Qt, which the Windows build "
                                     "leaves out; use run");
  gui->add_option("PROJECT", project, "A project (.vbp) or group (.vbg) to open");
  if (vbhost::kBusChoice)
    gui->add_option("--bus", bus, "As for run")->check(CLI::IsMember({"session", "private"}));
  gui->add_option("--transcript", transcript_path,
                  "Also write what happens as the JSON-lines transcript of `vbhost run`, into this file");
  std::string windir;
  gui->add_option("--windir", windir,
                  "The Windows directory (vbaddin.ini, the add-in's INI files); default: $WINDIR, else\n"
                  "a folder of the session's own in which the add-in is registered");

  CLI11_PARSE(app, argc, argv);
  // The add-in sees vbhost's folder as a Windows path: without a drive on it nothing can run.
  for (const std::string& problem :
       {vb::CodePageSettingProblem(),
        posix::DriveSettingProblem(posix::ExecutableFolder(), "vbhost's own folder")}) {
    if (problem.empty()) continue;
    std::cerr << "vbhost: " << problem << "\n";
    return 2;
  }
  try {
    return Run(gui->parsed(), scenario, transcript_path, format, bus, project, windir, argc, argv);
  } catch (const std::exception& e) {
    // Unwound, so a private bus of the run is stopped and its folder removed.
    std::cerr << "vbhost: " << e.what() << "\n";
    return 2;
  }
}
