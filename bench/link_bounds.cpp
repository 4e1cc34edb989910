// The link's bounds at full size, on a private bus with its own limits: a compare of a 22 MB file
// whose every line changed, its 40 MB answer cut to 16 MiB, over a direct connection and over the
// bus; and how long another client's G2LOCKING waits meanwhile, as the engine handles one command
// at a time; and what a client that stops reading costs the engine program while another compares
// twenty times (its memory, read from /proc). The bounds keep the engine alive and its memory in
// check; what they cost shows in these figures.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "dde/dbus_server.hpp"
#include "dde/dbus_transport.hpp"
#include "dde/private_bus.hpp"
#include "dde/text_box_link.hpp"
#include "posix/file_ops.hpp"
#include "posix/spawn.hpp"
#include "wnorb16/engine.hpp"
#include "wnorb16/engine_server.hpp"
#include "wnorb16/rcs/rcs_runner.hpp"

namespace {

using namespace std::chrono_literals;

// A folder with FORM1.FRM archived and then changed on every line, and the engine serving it.
class ServedEngine {
 public:
  ServedEngine() {
    folder_ = posix::MakeTempFolder("link-bench-").value();
    posix::MakeFolders(folder_ + "/RCS");
    const std::string work = folder_ + "/FORM1.FRM";
    WriteLines(work, "Old");
    wnorb16::rcs::RcsRunner().Run(
        "ci", {"-q", "-u", "-minitial", "-t-bench", folder_ + "/RCS/FORM1.FRM,v", work}, "bench");
    posix::SetReadOnly(work, false);
    WriteLines(work, "New");
    wnorb16::EngineSetup setup;
    setup.ini_path = folder_ + "/WNORB.INI";
    setup.login_name = "bench";
    engine_ = std::make_unique<wnorb16::Engine>(std::move(setup));
    server_ = std::make_unique<wnorb16::EngineServer>(*engine_);
    dbus_ = std::make_unique<dde::DbusServer>(server_->application(), bus_.Address());
    thread_ = std::thread([this] { dbus_->Run(); });
    compare_ = "-C C:" + work + " C:" + work;
    for (char& c : compare_) c = c == '/' ? '\\' : c;
  }
  ~ServedEngine() {
    dbus_->Stop();
    thread_.join();
    std::filesystem::remove_all(folder_);
  }

  const std::string& Address() const { return bus_.Address(); }
  const std::string& Compare() const { return compare_; }
  const std::string& Folder() const { return folder_; }

 private:
  // Some 22 MB of lines of a form's code.
  static void WriteLines(const std::string& path, const std::string& word) {
    std::ofstream out(path);
    for (int i = 0; i < 880000; ++i) out << "Private Sub " << word << i << "_Click()\n";
  }

  std::string folder_;
  dde::PrivateBus bus_;
  std::unique_ptr<wnorb16::Engine> engine_;
  std::unique_ptr<wnorb16::EngineServer> server_;
  std::unique_ptr<dde::DbusServer> dbus_;
  std::thread thread_;
  std::string compare_;
};

ServedEngine* g_engine = nullptr;

// The add-in's two links over one transport.
struct Links {
  dde::DbusTransport transport;
  dde::TextBoxLink command{transport, "frmDDE", "Text1"};
  dde::TextBoxLink status{transport, "frmDDE", "Text2"};
  explicit Links(bool direct, const std::string& address = g_engine->Address()) : transport(address) {
    transport.SetDirect(direct);
    transport.SetCallTimeout(120s);
    // The engine program may still be taking its name.
    transport.ServerLaunched();
    command.SetLinkTopic("WNORB16|frmMain");
    status.SetLinkTopic("WNORB16|frmCmd");
    status.SetLinkItem("txtStatus");
    command.SetLinkMode(dde::vbLinkManual);
    status.SetLinkMode(dde::vbLinkAutomatic);
  }
};

void BM_CompareCutToTheLimit(benchmark::State& state) {
  Links links(state.range(0) != 0);
  for (auto _ : state) {
    links.command.LinkExecute(g_engine->Compare());
    const std::string& answer = links.status.Text();
    if (answer.size() > wnorb16::kMaxAnswerBytes || answer.find("ANSWER CUT: ") == std::string::npos) {
      state.SkipWithError("the answer was not cut to the limit");
      break;
    }
  }
  state.counters["answer_bytes"] = static_cast<double>(links.status.Text().size());
}
BENCHMARK(BM_CompareCutToTheLimit)
    ->ArgName("direct")
    ->Arg(1)
    ->Arg(0)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// Another client asks while the compare is under way: its wait is what is left of the compare
// and its answer, plus its own round trip.
void BM_SecondClientWaits(benchmark::State& state) {
  Links comparing(true), asking(true);
  for (auto _ : state) {
    std::thread compare([&] { comparing.command.LinkExecute(g_engine->Compare()); });
    std::this_thread::sleep_for(50ms);
    const auto start = std::chrono::steady_clock::now();
    asking.command.LinkExecute("G2LOCKING");
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    compare.join();
    if (asking.status.Text() != "Y") state.SkipWithError("the second client was not answered");
  }
}
BENCHMARK(BM_SecondClientWaits)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// The resident memory of a process, in bytes.
double Resident(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmRSS:")) return std::stod(line.substr(6)) * 1024;
  }
  return 0;
}

// The engine program on a bus of its own, its settings the defaults; one client reads its first
// answer and nothing after, another compares twenty times. The engine's memory grows by what
// waits for the first client, which MaxUnread bounds (40 MiB); unbounded it grew by each outcome.
void BM_StalledClientMemory(benchmark::State& state) {
  dde::PrivateBus bus;
  posix::SpawnRequest request;
  request.argv = {std::string(NORB_BIN_DIR) + "/WNORB16.EXE", "--bus", bus.Address(), "--ini",
                  g_engine->Folder() + "/WNORB.INI"};
  request.die_with_parent = true;
  const pid_t engine = posix::Spawn(request).pid;
  {
    Links stalled(true, bus.Address()), comparing(true, bus.Address());
    stalled.command.LinkExecute("G2LOCKING");
    comparing.command.LinkExecute("G2LOCKING");
    const double before = Resident(engine);
    double peak = before;
    for (auto _ : state) {
      for (int i = 0; i < 20; ++i) {
        comparing.command.LinkExecute(g_engine->Compare());
        peak = std::max(peak, Resident(engine));
      }
    }
    state.counters["engine_rss_before_MB"] = before / 1e6;
    state.counters["engine_rss_peak_MB"] = peak / 1e6;
    stalled.command.LinkExecute("G2LOCKING");
    if (stalled.status.Text() != "Y") state.SkipWithError("the stalled client was not served after");
  }
  posix::Terminate(engine);
  posix::WaitForExit(engine);
}
BENCHMARK(BM_StalledClientMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  ServedEngine engine;
  g_engine = &engine;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
