// NORBVB5.EXE started on its own: Sub Main makes sure the IDE lists the add-in.
#include <CLI/CLI.hpp>

#include <iostream>
#include <string>

#include "addin/main_module.hpp"
#include "dde/in_process_bus.hpp"
#include "dde/text_box_links.hpp"
#include "exe/console_services.hpp"
#include "exe/own_services.hpp"
#include "norb/version.hpp"
#include "vbrt/process.hpp"

// An exception nothing handles (out of memory) ends the program with its message, as it should.
// NOLINTNEXTLINE(bugprone-exception-escape)
int main(int argc, char** argv) {
  std::string version = std::to_string(norb::kVersionMajor) + "." + std::to_string(norb::kVersionMinor) +
                        "." + std::to_string(norb::kVersionRevision);
  CLI::App app{
      "NORBVB5.EXE - the version-control add-in for the Visual Basic 5.0 IDE stand-in.\n"
      "Run on its own, it registers the add-in in the IDE's add-in list: the entry\n"
      "NORBVB5.nvb5VersionControl=0 in the section [Add-Ins32] of vbaddin.ini in the Windows\n"
      "directory (" +
      std::string(norbexe::kWindowsDirectoryRule) +
      "), and says\n"
      "whether it wrote it. The IDE stand-in, vbhost, loads the add-in in-process."};
  app.set_version_flag("--version", "NORBVB5.EXE " + version);
  CLI11_PARSE(app, argc, argv);
  if (std::string problem = norbexe::SetupProblem(); !problem.empty()) {
    std::cerr << "NORBVB5.EXE: " << problem << "\n";
    return 2;
  }

  norbexe::OwnServices own = norbexe::MakeOwnServices();
  norbexe::ConsoleDesktop desktop(std::cout, std::cin, "NORBVB5");
  norbexe::ConsoleClipboard clipboard;
  norbexe::NoFormsUi ui;
  dde::InProcessBus bus;
  dde::TextBoxLinks links(bus);

  vb::Process<norb::MainModule> process(
      norb::StartProcess({*own.win32, *own.files, *own.shell, desktop, clipboard, ui, links}, own.folder));
  norb::MainModule& m = *process.state();
  process.Call([&] { m.Main(); });
  return 0;
}
