// "T file" on a file with an archive, engine side: locating the file and its archive and reading
// the archive's header, with no process started. Target: 10 us per query, at a path depth of 3
// folders and of 13 (a file deep in a project's tree costs more to locate).
#include <benchmark/benchmark.h>

#include <string>

#include "bench/archived_file.hpp"
#include "wnorb16/engine.hpp"

namespace {

void BM_EngineLockQuery(benchmark::State& state) {
  const bench::ArchivedFile file("FORM1.FRM", static_cast<int>(state.range(0)), "bob",
                                 static_cast<int>(state.range(1)));
  std::string command;
  std::unique_ptr<wnorb16::Engine> engine;
  try {
    engine = file.QueryingEngine(command);
  } catch (const std::runtime_error& e) {
    state.SkipWithError(e.what());
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(engine->Execute(command));
}
// Revisions in the archive (one, and enough for a header of several kilobytes) by path depth.
BENCHMARK(BM_EngineLockQuery)
    ->Name("engine_lock_query")
    ->ArgNames({"revisions", "depth"})
    ->ArgsProduct({{1, 50}, {3, 13}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
