// The add-in's lock pass over a project of 1,000 files: one "T" per file after another command,
// against a Subversion working copy served by svnserve on the loopback interface and against RCS
// archives of the same files, in the same run. 100 of the files are locked by bob. Target: the
// Subversion pass within 2 times the RCS pass.
//
// And the pass over a project of 44 components in 4 folders while the server hangs (SIGSTOP),
// RepositoryTimeout=1: one bounded wait for the whole pass, about 1 s, not one per folder or
// component.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/svn_server.hpp"
#include "tests/support/temp_folder.hpp"
#include "wnorb16/engine.hpp"

namespace {

constexpr int kFiles = 1000;
constexpr int kLocked = 100;
constexpr int kHungComponents = 44;
constexpr int kHungFolders = 4;

std::string FileName(int i) { return "MOD" + std::to_string(i) + ".BAS"; }
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
    temp.MakeDir("rcs/RCS");
    for (int i = 0; i < kFiles; ++i) {
      temp.Write("svn-ann/" + FileName(i), "Attribute VB_Name = \"Mod" + std::to_string(i) + "\"\r\n");
      temp.Write("rcs/" + FileName(i), "Attribute VB_Name = \"Mod" + std::to_string(i) + "\"\r\n");
    }
    for (int i = 0; i < kHungComponents; ++i)
      temp.Write("svn-ann/" + HungName(i), "Attribute VB_Name = \"Hung\"\r\n");
    // Stored at a terminal: the server's disk may take longer than RepositoryTimeout to store
    // 1,000 files or locks on a loaded machine, and the pass is what is measured.
    server->Svn("ann", {"add", "-q", "--force", temp / "svn-ann"});
    server->Svn("ann", {"commit", "-q", "-m", "project", temp / "svn-ann"});
    server->Svn("bob", {"update", "-q", temp / "svn-bob"});
    std::vector<std::string> lock = {"lock", "-q"};
    for (int i = 0; i < kLocked; ++i) lock.push_back(temp / ("svn-bob/" + FileName(i)));
    server->Svn("bob", lock);
    svn_ann = Engine("ann", "Store=svn\nConfigDir=" + server->ConfigDir("ann") + "\n");
    rcs_ann = Engine("ann", "");
    rcs_ann->Execute(Command("UW", "rcs", 0, kFiles));
    auto rcs_bob = Engine("bob", "");
    rcs_bob->Execute(Command("EW", "rcs", 0, kLocked));
  }
};

Projects& Shared() {
  static Projects projects;
  return projects;
}

void LockPass(benchmark::State& state, bool svn) {
  Projects& p = Shared();
  wnorb16::Engine& engine = svn ? *p.svn_ann : *p.rcs_ann;
  const std::string folder = svn ? "svn-ann" : "rcs";
  std::vector<std::string> queries;
  queries.reserve(kFiles);
  for (int i = 0; i < kFiles; ++i) queries.push_back("T " + p.temp.Windows(folder + "/" + FileName(i)));
  int locked = 0;
  for (auto _ : state) {
    engine.Execute("G2LOCKING");
    locked = 0;
    for (const auto& query : queries)
      locked += engine.Execute(query).find("someone else") != std::string::npos;
  }
  if (locked != kLocked) state.SkipWithError(("the pass found " + std::to_string(locked) + " locks").c_str());
}

void BM_LockPassSvn(benchmark::State& state) { LockPass(state, true); }

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
void BM_LockPassRcs(benchmark::State& state) { LockPass(state, false); }

BENCHMARK(BM_LockPassRcs)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_LockPassSvn)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_LockPassSvnHung)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
