// Extract ("EW") and update ("UW") of 1, 10 and 100 files in one command, against RCS's own
// "co -l" and "ci -u" run once on the same number of files, in the same run. Each iteration
// times the engine and RCS on twin sets of files in the same state, so all see archives of the
// same size, the order rotating so none always meets a disk just written by another.
//
// RCS is timed twice: as a person types it ("co -l ...", which in GNU RCS 5.10 is a shell script
// running "rcs co"), and as "rcs co -l ..." straight, as the engine runs it.
//
// The reported time is the engine's median. "ratio" is the engine's median time over the typed
// command's, "ratio_direct" over the straight one's: medians, because the build machine's other
// work comes in bursts. Target: ratio at most 1.2.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "posix/file_ops.hpp"
#include "wnorb16/engine.hpp"
#include "wnorb16/rcs/rcs_runner.hpp"

namespace {

constexpr char kUser[] = "bench";
using Clock = std::chrono::steady_clock;

class FileSet {
 public:
  FileSet(const std::string& root, const std::string& name, int count,
          wnorb16::rcs::RcsRunner::Programs programs = wnorb16::rcs::RcsRunner::Programs::kDirect)
      : folder_(root + "/" + name), runner_("", programs) {
    posix::MakeFolders(folder_ + "/RCS");
    for (int i = 0; i < count; ++i) {
      std::string file = "FILE" + std::to_string(i) + ".BAS";
      works_.push_back(folder_ + "/" + file);
      archives_.push_back(folder_ + "/RCS/" + file + ",v");
      Write(works_.back(), 0);
    }
    Rcs("ci", {"-q", "-u", "-i", "-t-bench", "-mfirst"});
  }

  // "C:\...\FILE0.BAS,C:\...\FILE1.BAS,..." as the add-in sends it.
  std::string List() const {
    std::string list;
    for (const auto& w : works_) {
      std::string windows = "C:" + w;
      for (char& c : windows) c = c == '/' ? '\\' : c;
      list += (list.empty() ? "" : ",") + windows;
    }
    return list;
  }

  // One RCS run over every file of the set.
  void Rcs(const std::string& program, std::vector<std::string> options) const {
    for (std::size_t i = 0; i < works_.size(); ++i) {
      options.push_back(archives_[i]);
      options.push_back(works_[i]);
    }
    wnorb16::rcs::RcsResult result = runner_.Run(program, options, kUser);
    if (result.exit_code != 0) throw std::runtime_error(program + ": " + result.err);
  }

  // Every work file changed, as after an edit.
  void Edit(int generation) const {
    for (const auto& w : works_) Write(w, generation);
  }

 private:
  static void Write(const std::string& file, int generation) {
    std::filesystem::remove(file);
    std::ofstream out(file);
    out << "Attribute VB_Name = \"Module\"\n";
    for (int line = 0; line < 40; ++line) out << "' line " << line << " of generation " << generation << "\n";
  }

  std::string folder_;
  std::vector<std::string> works_;
  std::vector<std::string> archives_;
  wnorb16::rcs::RcsRunner runner_;
};

class Scratch {
 public:
  Scratch() : path_(posix::MakeTempFolder("engine-batch-").value()) {}
  ~Scratch() { std::filesystem::remove_all(path_); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t mid = values.size() / 2;
  return values.size() % 2 != 0 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// The engine and the two ways of running RCS, each on its own twin set of files.
class Contest {
 public:
  Contest(int files, const std::string& command_letters)
      : engine_set_(scratch_.path(), "engine", files),
        typed_set_(scratch_.path(), "typed", files, wnorb16::rcs::RcsRunner::Programs::kByName),
        direct_set_(scratch_.path(), "direct", files),
        command_(command_letters + " " + engine_set_.List()),
        expected_(std::to_string(files) + " of " + std::to_string(files) + " files ") {
    wnorb16::EngineSetup setup;
    setup.ini_path = "/nonexistent/WNORB.INI";
    setup.login_name = kUser;
    engine_ = std::make_unique<wnorb16::Engine>(std::move(setup));
  }

  std::vector<const FileSet*> Sets() const { return {&engine_set_, &typed_set_, &direct_set_}; }

  // One timed round: the engine's command, and `program` with `options` on the two RCS sets.
  void Round(benchmark::State& state, const std::string& program, const std::vector<std::string>& options) {
    std::vector<std::function<void()>> sides = {
        [&] {
          if (engine_->Execute(command_).find(expected_) != 0)
            state.SkipWithError("the engine did not do it all");
        },
        [&] { typed_set_.Rcs(program, options); },
        [&] { direct_set_.Rcs(program, options); },
    };
    double took[3] = {0, 0, 0};
    const std::size_t first = times_[0].size() % 3;
    for (std::size_t k = 0; k < 3; ++k) {
      const std::size_t side = (first + k) % 3;
      auto start = Clock::now();
      sides[side]();
      took[side] = std::chrono::duration<double>(Clock::now() - start).count();
    }
    for (std::size_t side = 0; side < 3; ++side) times_[side].push_back(took[side]);
    state.SetIterationTime(took[0]);
  }

  void Report(benchmark::State& state) const {
    const double engine = Median(times_[0]), typed = Median(times_[1]), direct = Median(times_[2]);
    state.counters["engine_ms"] = engine * 1e3;
    state.counters["co_ci_ms"] = typed * 1e3;
    state.counters["rcs_direct_ms"] = direct * 1e3;
    state.counters["ratio"] = typed > 0 ? engine / typed : 0;
    state.counters["ratio_direct"] = direct > 0 ? engine / direct : 0;
  }

 private:
  Scratch scratch_;
  FileSet engine_set_, typed_set_, direct_set_;
  std::string command_;
  std::string expected_;
  std::unique_ptr<wnorb16::Engine> engine_;
  std::vector<double> times_[3];
};

void BM_Extract(benchmark::State& state) {
  Contest contest(static_cast<int>(state.range(0)), "EW");
  for (auto _ : state) {
    contest.Round(state, "co", {"-l"});
    // Back to checked in, read-only, no lock.
    for (const FileSet* set : contest.Sets()) set->Rcs("co", {"-q", "-f", "-u"});
  }
  contest.Report(state);
}

void BM_Update(benchmark::State& state) {
  Contest contest(static_cast<int>(state.range(0)), "UW");
  int generation = 0;
  for (auto _ : state) {
    // Checked out and edited.
    ++generation;
    for (const FileSet* set : contest.Sets()) {
      set->Rcs("co", {"-q", "-l"});
      set->Edit(generation);
    }
    contest.Round(state, "ci", {"-u", "-mChecked in"});
  }
  contest.Report(state);
}

// Fixed iteration counts, multiples of three, so each side goes first equally often.
void Register(const char* name, void (*run)(benchmark::State&)) {
  for (auto [files, iterations] : {std::pair{1, 60}, std::pair{10, 30}, std::pair{100, 12}}) {
    benchmark::RegisterBenchmark(name, run)
        ->Arg(files)
        ->Iterations(iterations)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  }
}

}  // namespace

int main(int argc, char** argv) {
  Register("engine_extract", BM_Extract);
  Register("engine_update", BM_Update);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
