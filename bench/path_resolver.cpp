// Resolving a Windows path to a POSIX one: linear in the path's length, whatever the number of
// components, and a path beyond posix::kMaxPathLength refused before any of it is looked at.
// Target: the time per component stays flat from 1,024 to 32,768 components (complexity O(N)).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "posix/file_ops.hpp"
#include "posix/path_resolver.hpp"
#include "vbrt/error.hpp"

namespace {

class Folder {
 public:
  Folder() {
    path_ = posix::MakeTempFolder("resolver-bench-").value();
    posix::MakeFolders(path_ + "/Project/Forms");
  }
  ~Folder() { std::filesystem::remove_all(path_); }
  std::string Windows() const {
    std::string windows = "C:" + path_;
    for (char& c : windows) c = c == '/' ? '\\' : c;
    return windows;
  }

 private:
  std::string path_;
};

// A path below an existing folder, written in another case than the disk's, whose components
// after the first few name nothing: the on-disk part is looked up, the rest kept as given.
void BM_ResolveComponents(benchmark::State& state) {
  Folder folder;
  const auto components = static_cast<std::size_t>(state.range(0));
  std::string path = folder.Windows() + "\\PROJECT\\forms";
  for (std::size_t i = 0; i < components; ++i) path += "\\a";
  const posix::PathResolver resolver(posix::DriveMap::Parse("C:=/"));
  for (auto _ : state) benchmark::DoNotOptimize(resolver.ToPosix(path));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ResolveComponents)
    ->Name("resolve_components")
    ->RangeMultiplier(4)
    ->Range(1 << 10, 1 << 15)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMicrosecond);

// Ten million characters, as a hostile command or project line would carry.
void BM_RefuseOverlongPath(benchmark::State& state) {
  std::string path = "C:";
  while (path.size() < 10'000'000) path += "\\a";
  const posix::PathResolver resolver(posix::DriveMap::Parse("C:=/"));
  for (auto _ : state) {
    try {
      benchmark::DoNotOptimize(resolver.ToPosix(path));
      state.SkipWithError("an over-long path was taken");
      break;
    } catch (const vb::Error&) {
    }
  }
}
BENCHMARK(BM_RefuseOverlongPath)->Name("refuse_overlong_path")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
