// What a command to the engine costs over D-Bus: the add-in's LinkExecute plus reading the
// status link, over the bus and over the server's direct connection, against a bare method call
// on the same private bus, and against a bare call whose server also sends one signal first (the
// one message more an execute with an answer needs, so the floor of the ratio over the bus). Each
// server serves on a thread of its own; the run ends with the ratios, from the medians when
// repeated.
#include <benchmark/benchmark.h>
#include <sdbus-c++/sdbus-c++.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "bench/bare_call.hpp"
#include "dde/dbus_server.hpp"
#include "dde/dbus_transport.hpp"
#include "dde/private_bus.hpp"
#include "dde/text_box_link.hpp"

namespace {

constexpr const char* kEngineBench = "BM_ExecuteAndReadStatus";
constexpr const char* kDirectBench = "BM_ExecuteAndReadStatusDirect";
constexpr const char* kBareBench = "BM_BareMethodCall";
constexpr const char* kSignalBench = "BM_BareMethodCallWithSignal";

std::string g_address;

// The engine's shape: an execute on frmMain answers through frmCmd's txtStatus.
std::shared_ptr<dde::ServerApplication> MakeEngine() {
  auto engine = std::make_shared<dde::ServerApplication>("WNORB16");
  dde::ServerTopic& main = engine->AddTopic("frmMain");
  dde::ServerTopic& cmd = engine->AddTopic("frmCmd");
  cmd.AddItem("txtStatus");
  main.SetExecuteHandler([&cmd](std::string_view command) {
    cmd.SetItem("txtStatus", "done " + std::string(command));
    return true;
  });
  return engine;
}

void ExecuteAndReadStatus(benchmark::State& state, bool direct) {
  dde::DbusTransport transport(g_address);
  transport.SetDirect(direct);
  dde::TextBoxLink command(transport, "frmDDE", "Text1");
  dde::TextBoxLink status(transport, "frmDDE", "Text2");
  command.SetLinkTopic("WNORB16|frmMain");
  status.SetLinkTopic("WNORB16|frmCmd");
  status.SetLinkItem("txtStatus");
  command.SetLinkMode(dde::vbLinkManual);
  status.SetLinkMode(dde::vbLinkAutomatic);
  long n = 0;
  for (auto _ : state) {
    const std::string text = "G2LOCKING " + std::to_string(++n);
    command.LinkExecute(text);
    if (status.Text() != "done " + text) {
      state.SkipWithError("the status did not follow the execute");
      break;
    }
  }
}

void BM_ExecuteAndReadStatus(benchmark::State& state) { ExecuteAndReadStatus(state, false); }
void BM_ExecuteAndReadStatusDirect(benchmark::State& state) { ExecuteAndReadStatus(state, true); }

void BM_BareMethodCall(benchmark::State& state) {
  auto connection = sdbus::createSessionBusConnectionWithAddress(g_address);
  auto proxy = sdbus::createProxy(*connection, "bench.Bare", "/bare");
  long n = 0;
  for (auto _ : state) {
    auto call = proxy->createMethodCall("bench.Bare", "Call");
    call << "G2LOCKING " + std::to_string(++n);
    proxy->callMethod(call);
  }
}

void BM_BareMethodCallWithSignal(benchmark::State& state) {
  auto connection = sdbus::createSessionBusConnectionWithAddress(g_address);
  auto proxy = sdbus::createProxy(*connection, "bench.Bare", "/bare");
  std::string last;
  proxy->registerSignalHandler("bench.Bare", "Said", [&last](sdbus::Signal& signal) { signal >> last; });
  proxy->finishRegistration();
  long n = 0;
  for (auto _ : state) {
    const std::string text = "G2LOCKING " + std::to_string(++n);
    auto call = proxy->createMethodCall("bench.Bare", "CallAndSay");
    call << text;
    proxy->callMethod(call);
    while (connection->processPendingRequest()) {
    }
    if (last != text) {
      state.SkipWithError("the signal did not arrive with the reply");
      break;
    }
  }
}

BENCHMARK(BM_ExecuteAndReadStatus)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExecuteAndReadStatusDirect)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareMethodCall)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareMethodCallWithSignal)->Unit(benchmark::kMicrosecond);

// Prints as usual and keeps each benchmark's time per iteration (the median, with repetitions)
// for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs) {
      if (run.error_occurred) continue;
      const std::string& name = run.run_name.function_name;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (median || (run.run_type == Run::RT_Iteration && !medians_.contains(name))) {
        times_[name] = run.GetAdjustedRealTime();
      }
      if (median) medians_.insert(name);
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatios() const {
    const double engine = Time(kEngineBench), bare = Time(kBareBench), signal = Time(kSignalBench);
    const double direct = Time(kDirectBench);
    if (bare <= 0) return;
    std::printf("\n");
    if (engine > 0) std::printf("execute + status / bare call: %.2f (target <= 1.5)\n", engine / bare);
    if (direct > 0) std::printf("execute + status, direct / bare call: %.2f\n", direct / bare);
    if (direct > 0 && engine > 0)
      std::printf("execute + status, direct / over the bus: %.2f\n", direct / engine);
    if (signal > 0)
      std::printf("bare call + signal / bare call: %.2f (the protocol's floor)\n", signal / bare);
  }

 private:
  double Time(const char* name) const {
    auto found = times_.find(name);
    return found == times_.end() ? 0 : found->second;
  }

  std::map<std::string, double> times_;
  std::set<std::string> medians_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  dde::PrivateBus bus;
  g_address = bus.Address();

  dde::DbusServer engine(MakeEngine(), g_address);
  std::thread engine_thread([&] { engine.Run(); });

  auto bare_connection = sdbus::createSessionBusConnectionWithAddress(g_address);
  auto bare = sdbus::createObject(*bare_connection, "/bare");
  bench::RegisterBareCall(*bare);
  sdbus::IObject& said = *bare;
  bare->registerMethod("bench.Bare", "CallAndSay", "s", "", [&said](sdbus::MethodCall call) {
    std::string text;
    call >> text;
    auto signal = said.createSignal("bench.Bare", "Said");
    signal << text;
    said.emitSignal(signal);
    call.createReply().send();
  });
  bare->registerSignal("bench.Bare", "Said", "s");
  bare->finishRegistration();
  bare_connection->requestName("bench.Bare");
  std::thread bare_thread([&] { bare_connection->enterEventLoop(); });

  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();

  engine.Stop();
  bare_connection->leaveEventLoop();
  engine_thread.join();
  bare_thread.join();
  benchmark::Shutdown();
  return 0;
}
