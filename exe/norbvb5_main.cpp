// NORBVB5.EXE started on its own.
#include <CLI/CLI.hpp>

#include <iostream>
#include <string>

#include "norb/version.hpp"

int main(int argc, char** argv) {
  CLI::App app{
      "NORBVB5.EXE - the version-control add-in for the Visual Basic 5.0 IDE stand-in.\n"
      "The IDE stand-in (vbhost) loads the add-in in-process; run on its own, the executable\n"
      "registers the add-in in the IDE's add-in list (vbaddin.ini)."};
  app.set_version_flag("--version", "NORBVB5.EXE " + std::to_string(norb::kVersionMajor) + "." +
                                        std::to_string(norb::kVersionMinor) + "." +
                                        std::to_string(norb::kVersionRevision));
  CLI11_PARSE(app, argc, argv);
  std::cout << "NORBVB5.EXE: self-registration is not built yet; see --help.\n";
  return 1;
}
