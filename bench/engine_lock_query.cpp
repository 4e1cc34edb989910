// "T file" on a file with an archive, engine side: locating the file and its archive and reading
// the archive's header, with no process started. Target: 10 us per query, at a path depth of 3
// folders and of 13 (a file deep in a project's tree costs more to locate).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "wnorb16/engine.hpp"
#include "wnorb16/rcs/rcs_runner.hpp"

namespace {

class Project {
 public:
  // The work folder is `depth` folders below the root: /tmp, the temporary folder, then one-letter
  // folders.
  explicit Project(int depth) {
    std::string pattern = "/tmp/engine-bench-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    top_ = folder_ = pattern;
    for (int d = 2; d < depth; ++d) folder_ += "/" + std::string(1, static_cast<char>('a' + d));
    std::filesystem::create_directories(folder_ + "/RCS");
  }
  ~Project() { std::filesystem::remove_all(top_); }

  // An archived file whose header carries `revisions` revisions, locked by `holder`.
  void Archive(const std::string& name, int revisions, const std::string& holder) {
    const wnorb16::rcs::RcsRunner rcs;
    const std::string work = folder_ + "/" + name, archive = folder_ + "/RCS/" + name + ",v";
    for (int r = 1; r <= revisions; ++r) {
      std::filesystem::remove(work);
      std::ofstream(work) << "revision " << r << "\n";
      if (r > 1) rcs.Run("rcs", {"-q", "-l", archive}, "bench");
      rcs.Run("ci", {"-q", "-u", "-mr", "-t-bench", archive, work}, "bench");
    }
    rcs.Run("rcs", {"-q", "-l", archive}, holder);
  }
  std::string Windows(const std::string& name) const {
    std::string path = "C:" + folder_ + "/" + name;
    for (char& c : path) c = c == '/' ? '\\' : c;
    return path;
  }

 private:
  std::string top_, folder_;
};

void BM_EngineLockQuery(benchmark::State& state) {
  Project project(static_cast<int>(state.range(1)));
  project.Archive("FORM1.FRM", static_cast<int>(state.range(0)), "bob");
  wnorb16::EngineSetup setup;
  setup.ini_path = "/nonexistent/WNORB.INI";
  setup.login_name = "ann";
  wnorb16::Engine engine(std::move(setup));
  const std::string command = "T " + project.Windows("FORM1.FRM");
  if (engine.Execute(command).find("checked out to someone else") == std::string::npos) {
    state.SkipWithError("the lock was not found");
  }
  for (auto _ : state) benchmark::DoNotOptimize(engine.Execute(command));
}
// Revisions in the archive (one, and enough for a header of several kilobytes) by path depth.
BENCHMARK(BM_EngineLockQuery)
    ->Name("engine_lock_query")
    ->ArgNames({"revisions", "depth"})
    ->ArgsProduct({{1, 50}, {3, 13}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
