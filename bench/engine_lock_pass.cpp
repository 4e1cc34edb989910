// The add-in's lock pass over a project of 40, 1,000 and 10,000 files in one folder: one "T" per
// file after another command, against a Subversion working copy served by svnserve on the loopback
// interface and against RCS archives of the same files, in the same run, one pass of each in turn.
// A tenth of the files are locked by bob. And the project of 44 components in 4 folders. Target: the
// Subversion pass within 2 times the RCS pass at each size; the counters give both passes' medians and their
// ratio.
//
// And the pass over a project of 44 components in 4 folders while the server hangs (SIGSTOP),
// RepositoryTimeout=1: one bounded wait for the whole pass, about 1 s, not one per folder or
// component.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/svn_server.hpp"
#include "tests/support/temp_folder.hpp"
#include "wnorb16/engine.hpp"

namespace {

constexpr int kSizes[] = {40, 1000, 10000};
constexpr int kHungComponents = 44;
constexpr int kHungFolders = 4;

std::string FileName(int i) { return "MOD" + std::to_string(i) + ".BAS"; }
std::string Folder(const std::string& store, int files) { return store + "/p" + std::to_string(files); }
std::string HungName(int i) { return "hung/F" + std::to_string(i % kHungFolders) + "/" + FileName(i); }

// Both stores' copies of the project, made once for the whole run.
struct Projects {
  testing_support::TempFolder temp;
  std::unique_ptr<testing_support::SvnServer> server;
  std::unique_ptr<wnorb16::Engine> svn_ann, rcs_ann;
  int engines = 0;

  std::unique_ptr<wnorb16::Engine> Engine(const std::string& user, const std::string& ini) {
    const std::string ini_name = user + std::to_string(++engines) + ".ini";
    temp.Write(ini_name, "[Engine]\nUserID=" + user + "\n" + ini);
    wnorb16::EngineSetup setup;
    setup.ini_path = temp / ini_name;
    setup.login_name = user;
    return std::make_unique<wnorb16::Engine>(setup);
  }
  // "<word> <folder>\MOD0.BAS,..." for the files [from, to).
  std::string Command(const std::string& word, const std::string& folder, int from, int to) const {
    std::string command = word + " ";
    for (int i = from; i < to; ++i)
      command += (i > from ? "," : "") + temp.Windows(folder + "/" + FileName(i));
    return command;
  }

  Projects() {
    server = std::make_unique<testing_support::SvnServer>(temp);
    server->CheckOut("ann", "svn-ann");
    server->CheckOut("bob", "svn-bob");
    for (int files : kSizes) {
      temp.MakeDir(Folder("rcs", files) + "/RCS");
      for (int i = 0; i < files; ++i) {
        const std::string text = "Attribute VB_Name = \"Mod" + std::to_string(i) + "\"\r\n";
        temp.Write(Folder("svn-ann", files) + "/" + FileName(i), text);
        temp.Write(Folder("rcs", files) + "/" + FileName(i), text);
      }
    }
    for (int i = 0; i < kHungComponents; ++i) {
      temp.Write("svn-ann/" + HungName(i), "Attribute VB_Name = \"Hung\"\r\n");
      temp.Write("rcs/" + HungName(i), "Attribute VB_Name = \"Hung\"\r\n");
    }
    for (int folder = 0; folder < kHungFolders; ++folder)
      temp.MakeDir("rcs/hung/F" + std::to_string(folder) + "/RCS");
    // Stored at a terminal: the server's disk may take longer than RepositoryTimeout to store
    // 11,000 files or locks on a loaded machine, and the pass is what is measured.
    server->Svn("ann", {"add", "-q", "--force", temp / "svn-ann"});
    server->Svn("ann", {"commit", "-q", "-m", "project", temp / "svn-ann"});
    server->Svn("bob", {"update", "-q", temp / "svn-bob"});
    svn_ann = Engine("ann", "Store=svn\nConfigDir=" + server->ConfigDir("ann") + "\n");
    rcs_ann = Engine("ann", "");
    auto rcs_bob = Engine("bob", "");
    std::string hung = "UW ";
    for (int i = 0; i < kHungComponents; ++i) hung += (i > 0 ? "," : "") + temp.Windows("rcs/" + HungName(i));
    rcs_ann->Execute(hung);
    for (int files : kSizes) {
      std::vector<std::string> lock = {"lock", "-q"};
      for (int i = 0; i < files / 10; ++i)
        lock.push_back(temp / (Folder("svn-bob", files) + "/" + FileName(i)));
      server->Svn("bob", lock);
      rcs_ann->Execute(Command("UW", Folder("rcs", files), 0, files));
      rcs_bob->Execute(Command("EW", Folder("rcs", files), 0, files / 10));
    }
  }
};

Projects& Shared() {
  static Projects projects;
  return projects;
}

// One pass: another command, then "T" for each file; answers how many someone else holds.
int Pass(wnorb16::Engine& engine, const std::vector<std::string>& queries) {
  engine.Execute("G2LOCKING");
  int locked = 0;
  for (const auto& query : queries) locked += engine.Execute(query).find("someone else") != std::string::npos;
  return locked;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Both stores' passes in turn, each timed alone; the iteration's time is the Subversion pass's.
void BM_LockPass(benchmark::State& state) {
  Projects& p = Shared();
  const int files = static_cast<int>(state.range(0));
  std::vector<std::string> svn_queries, rcs_queries;
  svn_queries.reserve(files);
  rcs_queries.reserve(files);
  // 44: the project of 44 components in 4 folders, none locked.
  const bool folders = files == kHungComponents;
  for (int i = 0; i < files; ++i) {
    svn_queries.push_back("T " + p.temp.Windows(folders ? "svn-ann/" + HungName(i)
                                                        : Folder("svn-ann", files) + "/" + FileName(i)));
    rcs_queries.push_back(
        "T " + p.temp.Windows(folders ? "rcs/" + HungName(i) : Folder("rcs", files) + "/" + FileName(i)));
  }
  const int locks = folders ? 0 : files / 10;
  using Clock = std::chrono::steady_clock;
  std::vector<double> svn_ms, rcs_ms;
  int svn_locked = 0, rcs_locked = 0;
  for (auto _ : state) {
    Clock::time_point start = Clock::now();
    rcs_locked = Pass(*p.rcs_ann, rcs_queries);
    rcs_ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    start = Clock::now();
    svn_locked = Pass(*p.svn_ann, svn_queries);
    const double svn = std::chrono::duration<double>(Clock::now() - start).count();
    svn_ms.push_back(svn * 1000);
    state.SetIterationTime(svn);
  }
  if (svn_locked != locks || rcs_locked != locks) {
    state.SkipWithError(
        ("the passes found " + std::to_string(svn_locked) + " and " + std::to_string(rcs_locked) + " locks")
            .c_str());
    return;
  }
  state.counters["rcs_ms"] = Median(rcs_ms);
  state.counters["svn_ms"] = Median(svn_ms);
  state.counters["ratio"] = Median(svn_ms) / Median(rcs_ms);
}

// Each pass by a new engine, which has not found the server out of reach yet.
void BM_LockPassSvnHung(benchmark::State& state) {
  Projects& p = Shared();
  std::vector<std::string> queries;
  queries.reserve(kHungComponents);
  for (int i = 0; i < kHungComponents; ++i)
    queries.push_back("T " + p.temp.Windows("svn-ann/" + HungName(i)));
  const std::string ini = "Store=svn\nRepositoryTimeout=1\nConfigDir=" + p.server->ConfigDir("ann") + "\n";
  p.server->Pause();
  int offline = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<wnorb16::Engine> engine = p.Engine("ann", ini);
    state.ResumeTiming();
    engine->Execute("G2LOCKING");
    offline = 0;
    for (const auto& query : queries)
      offline += engine->Execute(query).find("(offline: ") != std::string::npos;
  }
  p.server->Resume();
  if (offline != kHungComponents)
    state.SkipWithError(("the pass answered " + std::to_string(offline) + " offline").c_str());
}
BENCHMARK(BM_LockPass)
    ->Arg(kHungComponents)
    ->Arg(40)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(31);
BENCHMARK(BM_LockPassSvnHung)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
