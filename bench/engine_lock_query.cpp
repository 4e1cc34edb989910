// "T file" on a file with an archive, engine side: locating the file and its archive and reading
// the archive's header, with no process started. Target: 10 us per query, at a path depth of 3
// folders and of 13 (a file deep in a project's tree costs more to locate). A project is asked
// about again after every change and at each dialog, so the query of an archive the engine has
// answered before is the one that counts; the first query of each archive is measured beside it.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

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

// Each of a thousand archives once, by a new engine for each round of them.
void BM_EngineFirstLockQuery(benchmark::State& state) {
  const bench::ArchivedFile file("FORM1.FRM", static_cast<int>(state.range(0)), "bob",
                                 static_cast<int>(state.range(1)), 1000);
  std::vector<std::string> commands;
  for (const std::string& copy : file.Copies()) commands.push_back("T " + copy);
  auto engine = bench::ArchivedFile::OtherUsersEngine();
  if (engine->Execute(commands.front()).find("checked out to someone else") == std::string::npos) {
    state.SkipWithError("the engine did not find the lock");
    return;
  }
  std::size_t next = commands.size();
  for (auto _ : state) {
    if (next == commands.size()) {
      state.PauseTiming();
      engine = bench::ArchivedFile::OtherUsersEngine();
      next = 0;
      state.ResumeTiming();
    }
    benchmark::DoNotOptimize(engine->Execute(commands[next++]));
  }
}
// Revisions in the archive (one, and enough for a header of several kilobytes) by path depth.
BENCHMARK(BM_EngineLockQuery)
    ->Name("engine_lock_query")
    ->ArgNames({"revisions", "depth"})
    ->ArgsProduct({{1, 50}, {3, 13}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EngineFirstLockQuery)
    ->Name("engine_first_lock_query")
    ->ArgNames({"revisions", "depth"})
    ->ArgsProduct({{1, 50}, {3, 13}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
