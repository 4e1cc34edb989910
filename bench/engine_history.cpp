// "L file" on an archive of many revisions: reading the whole archive, its logs included, and
// listing every revision oldest first. Its cost grows with the archive, not with its square.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "wnorb16/engine.hpp"

namespace {

// A trunk of `revisions` revisions one second apart, each with a log of its own, as RCS writes it.
std::string ArchiveText(int revisions) {
  std::string deltas, texts;
  for (int r = revisions; r >= 1; --r) {
    const std::string rev = "1." + std::to_string(r);
    const int s = r - 1;
    char date[32];
    std::snprintf(date, sizeof date, "2024.01.%02d.%02d.%02d.%02d", 1 + s / 86400, s / 3600 % 24, s / 60 % 60,
                  s % 60);
    deltas += rev + "\ndate\t" + date + ";\tauthor ann;\tstate Exp;\nbranches;\nnext\t" +
              (r > 1 ? "1." + std::to_string(r - 1) : "") + ";\n\n";
    texts += rev + "\nlog\n@change " + std::to_string(r) + "\n@\ntext\n@" +
             (r == revisions ? "last\n" : "d1 1\na1 1\nline " + std::to_string(r) + "\n") + "@\n\n";
  }
  return "head\t1." + std::to_string(revisions) + ";\naccess;\nsymbols;\nlocks; strict;\n\n" + deltas +
         "\ndesc\n@@\n\n" + texts;
}

void BM_EngineHistory(benchmark::State& state) {
  std::string pattern = "/tmp/engine-bench-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  const std::string folder = pattern;
  std::filesystem::create_directories(folder + "/RCS");
  std::ofstream(folder + "/RCS/FORM1.FRM,v") << ArchiveText(static_cast<int>(state.range(0)));
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
