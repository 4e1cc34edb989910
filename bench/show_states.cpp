// A scenario's "show states" on projects of 10,000 and 100,000 modules, beside opening the same
// project alone: the table of states costs about what the opening does, linear in the number of
// components. The projects are written once per run into a temporary folder, no engine serves.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/scenario_runner.hpp"
#include "posix/file_ops.hpp"

namespace {

// A stream that drops what it is given: the transcript of 100,000 states is not the point.
class Discard : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

class Projects {
 public:
  ~Projects() {
    std::error_code ec;
    if (!root_.empty()) std::filesystem::remove_all(root_, ec);
  }

  // The folder of a project of `n` modules, 100 to a folder; Big.vbp in it.
  const std::string& Of(long n) {
    auto [it, added] = made_.try_emplace(n);
    if (!added) return it->second;
    if (root_.empty()) {
      root_ = posix::MakeTempFolder("norb-states-").value();
    }
    const std::string folder = root_ + "/" + std::to_string(n);
    posix::MakeFolders(folder);
    std::ofstream project(folder + "/Big.vbp", std::ios::binary);
    project << "Type=Exe\r\n";
    for (long i = 0; i < n; ++i) {
      const std::string sub = std::to_string(i / 100);
      const std::string name = "mod" + std::to_string(100000 + i).substr(1);
      if (i % 100 == 0) posix::MakeFolders(folder + "/" + sub);
      std::ofstream(folder + "/" + sub + "/" + name + ".bas", std::ios::binary)
          << "Attribute VB_Name = \"" << name << "\"\r\nOption Explicit\r\n";
      project << "Module=" << name << "; " << sub << "\\" << name << ".bas\r\n";
    }
    project << "Name=\"Big\"\r\n";
    it->second = folder;
    return it->second;
  }

 private:
  std::string root_;
  std::map<long, std::string> made_;
};

Projects& TheProjects() {
  static Projects projects;
  return projects;
}

void Run(benchmark::State& state, bool show) {
  const std::string& folder = TheProjects().Of(state.range(0));
  Discard discard;
  std::ostream out(&discard);
  std::vector<std::vector<std::string>> lines = {{"engine", "absent"}, {"open", "Big.vbp"}};
  if (show) lines.push_back({"show", "states"});
  for (auto _ : state) {
    vbhost::ScenarioRunner runner(out, vbhost::RunnerOptions{folder, "", false});
    for (const auto& words : lines) runner.RunLine(words, folder);
  }
  state.SetComplexityN(state.range(0));
}

void BM_Open(benchmark::State& state) { Run(state, false); }
void BM_OpenAndShowStates(benchmark::State& state) { Run(state, true); }

BENCHMARK(BM_Open)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_OpenAndShowStates)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
