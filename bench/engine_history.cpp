// "L file" on an archive of many revisions: reading the whole archive, its logs included, and
// listing every revision oldest first. Its cost grows with the archive, not with its square.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "posix/file_ops.hpp"
#include "tests/support/long_trunk.hpp"
#include "wnorb16/engine.hpp"

namespace {

void BM_EngineHistory(benchmark::State& state) {
  const std::string folder = posix::MakeTempFolder("engine-bench-").value();
  posix::MakeFolders(folder + "/RCS");
  std::ofstream(folder + "/RCS/FORM1.FRM,v")
      << testing_support::LongTrunkArchive(static_cast<int>(state.range(0)));
  wnorb16::EngineSetup setup;
  setup.ini_path = "/nonexistent/WNORB.INI";
  setup.login_name = "ann";
  wnorb16::Engine engine(std::move(setup));
  std::string command = "L C:" + folder + "/FORM1.FRM";
  for (char& c : command) c = c == '/' ? '\\' : c;
  if (engine.Execute(command).find("change " + std::to_string(state.range(0))) == std::string::npos) {
    state.SkipWithError("the history is not whole");
  }
  for (auto _ : state) benchmark::DoNotOptimize(engine.Execute(command));
  state.counters["us_per_revision"] =
      benchmark::Counter(static_cast<double>(state.range(0)),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  std::filesystem::remove_all(folder);
}
// The archives of a busy form after years, and far beyond.
BENCHMARK(BM_EngineHistory)->Name("engine_history")->Arg(5000)->Arg(40000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
