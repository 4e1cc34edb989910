// Writes one case of a scenario file as the scenario tests run it, for a vbhost program of either
// system to run on its own (tests/win32/scenario_win32.sh): the fixture's project in FOLDER and
// the case's script in FOLDER/s.scn, "$DIR" standing for FOLDER as the running system names it.
//   scenario_case FILE                          prints how many cases FILE holds
//   scenario_case FILE N FOLDER WINDOWS_FOLDER  writes case N (from 1)
//   scenario_case --real FILE N FOLDER WINDOWS_FOLDER
//     the same without the scripted engine's lines, so the case meets the real engine instead
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "tests/host/scenario_cases.hpp"

namespace {

struct Folder {
  std::filesystem::path root;
  void MakeDir(const std::string& relative) const { std::filesystem::create_directories(root / relative); }
  void Write(const std::string& relative, const std::string& contents) const {
    std::ofstream out(root / relative, std::ios::binary | std::ios::trunc);
    out << contents;
    if (!out.flush()) throw std::runtime_error("cannot write " + (root / relative).string());
  }
};

// The case without the lines that put a scripted engine on the link or give it rules.
std::string WithRealEngine(const std::string& text) {
  std::string out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    bool scripted = false;
    for (const char* command :
         {"engine scripted", "engine reply ", "engine refuse ", "engine status ", "engine absent"})
      scripted = scripted || line.rfind(command, 0) == 0;
    if (!scripted) out += line + "\n";
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace testing_support;
  const bool real = argc > 1 && std::string(argv[1]) == "--real";
  argc -= real;
  argv += real;
  if (argc != 2 && argc != 5) {
    std::cerr << "usage: scenario_case [--real] FILE [N FOLDER WINDOWS_FOLDER]\n";
    return 2;
  }
  try {
    if (!std::filesystem::is_regular_file(argv[1]))
      throw std::runtime_error(std::string("no file ") + argv[1]);
    const std::vector<std::string> cases = CasesOf(FileText(argv[1]));
    if (argc == 2) {
      std::cout << cases.size() << "\n";
      return 0;
    }
    const std::size_t n = std::stoul(argv[2]);
    if (n < 1 || n > cases.size()) throw std::runtime_error("no case " + std::string(argv[2]));
    const Folder folder{argv[3]};
    WriteProject(folder);
    const std::string text = real ? WithRealEngine(cases[n - 1]) : cases[n - 1];
    folder.Write("s.scn", kCaseOpening + Commands(text, argv[4]));
    // The case's title, for the caller's report.
    std::cout << CaseTitle(cases[n - 1]) << "\n";
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "scenario_case: " << e.what() << "\n";
    return 1;
  }
}
