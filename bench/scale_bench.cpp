// The whole system at scale: for projects of N components (bench/make_project, 20-deep folders,
// every tenth locked by someone else) it runs vbhost with the real engine over a private bus of
// its own and times, from the transcript as it arrives, the start-up pass, opening the check-out
// dialog, a check-out and a check-in of 100 files and one history; beside them, in the same run,
// N lock queries over a direct connection to a server that answers at once (the floor the pass is
// held to), N bare D-Bus method calls through the bus daemon, one `rlog` per file
// and `rlog -L -R` over the project, and the engine's lock query in-process at two path depths.
// Everything it starts stays in its process group and is reaped by it. The project's files are
// read once first, so the pass finds them in the page cache as a project in daily use would be;
// --no-warm leaves them as they are (drop the cache before to time a project read from disk).
//
//   scale_bench [--cache DIR] [--rlog-sample K] [--no-warm] [N...]   (default N: 100 1000 10000)
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <sdbus-c++/sdbus-c++.h>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/archived_file.hpp"
#include "bench/bare_call.hpp"
#include "dde/dbus_server.hpp"
#include "dde/dbus_transport.hpp"
#include "dde/private_bus.hpp"
#include "dde/server_application.hpp"
#include "dde/text_box_link.hpp"
#include "posix/file_ops.hpp"
#include "wnorb16/engine.hpp"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr int kBatch = 100;    // files checked out and in
constexpr long kWarmUp = 200;  // bare calls before the timed ones: connections and caches settle

struct Component {
  std::string name, kind, holder, path;  // path relative to the project's folder
};

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

// A child with standard input from /dev/null and standard output into `out_fd` (-1: /dev/null).
pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env, int out_fd,
            int close_fd = -1) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (out_fd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, out_fd, 1);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  }
  if (close_fd >= 0) posix_spawn_file_actions_addclose(&actions, close_fd);
  std::vector<char*> argv, envp;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid = -1;
  const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error("cannot start " + args[0] + ": " + std::strerror(error));
  return pid;
}

std::vector<std::string> Environment() {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
  return env;
}

int Wait(pid_t pid, rusage* usage = nullptr) {
  int status = 0;
  rusage ignored{};
  while (wait4(pid, &status, 0, usage ? usage : &ignored) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int Run(const std::vector<std::string>& args) { return Wait(Spawn(args, Environment(), -1)); }

std::string Thousands(long n) {
  std::string digits = std::to_string(n), out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string Quantity(double seconds) {
  char text[32];
  if (seconds >= 1000) {
    return Thousands(std::lround(seconds)) + " s";
  } else if (seconds >= 1) {
    std::snprintf(text, sizeof text, "%.3g s", seconds);
  } else if (seconds >= 1e-3) {
    std::snprintf(text, sizeof text, "%.3g ms", seconds * 1e3);
  } else {
    std::snprintf(text, sizeof text, "%.3g us", seconds * 1e6);
  }
  return text;
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

// The project of `n` components, made once and reused from the cache.
std::string Project(const std::string& cache, long n) {
  std::string root = cache + "/" + std::to_string(n);
  if (!std::filesystem::exists(root + "/Big.vbp")) {
    posix::MakeFolders(cache);
    std::cerr << "scale_bench: generating " << root << "\n";
    if (Run({NORB_MAKE_PROJECT, std::to_string(n), root}) != 0)
      throw std::runtime_error("make_project failed");
  }
  return root;
}

std::vector<Component> Components(const std::string& root) {
  std::ifstream in(root + "/components.txt");
  std::vector<Component> all;
  Component c;
  while (in >> c.name >> c.kind >> c.holder >> c.path) all.push_back(c);
  return all;
}

// `calls` bare method calls, each answered by a server on a thread of its own, as dde_bench's
// bare call: what the bus costs per round trip at best.
double BareCalls(const std::string& address, long calls) {
  auto server = sdbus::createSessionBusConnectionWithAddress(address);
  auto object = sdbus::createObject(*server, bench::kBarePath);
  bench::RegisterBareCall(*object);
  object->finishRegistration();
  server->requestName("bench.Bare");
  std::thread serving([&] { server->enterEventLoop(); });
  auto client = sdbus::createSessionBusConnectionWithAddress(address);
  auto proxy = sdbus::createProxy(*client, "bench.Bare", "/bare");
  auto start = Clock::now();
  for (long i = -kWarmUp; i < calls; ++i) {
    if (i == 0) start = Clock::now();
    auto call = proxy->createMethodCall("bench.Bare", "Call");
    call << "T C:\\tmp\\nbs\\0\\a\\b\\c\\d\\e\\f\\g\\h\\i\\j\\k\\l\\m\\n\\o\\p\\q\\r\\s\\mod" +
                std::to_string(i);
    proxy->callMethod(call);
  }
  const double seconds = Seconds(Clock::now() - start).count();
  server->leaveEventLoop();
  serving.join();
  server->releaseName("bench.Bare");
  return seconds;
}

// `calls` lock queries as the add-in makes them (an execute on the command topic, then the
// status link's text, over the server's direct connection), against a server that answers each
// at once, on a thread of its own, with a text of the engine's length: what the pass's link
// costs at best, the floor the pass is held to.
double DirectCalls(const std::string& address, long calls) {
  auto floor = std::make_shared<dde::ServerApplication>("FLOOR16");
  dde::ServerTopic& main = floor->AddTopic("frmMain");
  dde::ServerTopic& cmd = floor->AddTopic("frmCmd");
  cmd.AddItem("txtStatus");
  main.SetExecuteHandler([&cmd](std::string_view command) {
    cmd.SetItem("txtStatus", std::string(command.substr(command.find(' ') + 1)) + " is not checked out");
    return true;
  });
  dde::DbusServer server(floor, address);
  std::thread serving([&] { server.Run(); });
  double seconds = 0;
  {
    dde::DbusTransport transport(address);
    dde::TextBoxLink command(transport, "frmDDE", "Text1");
    dde::TextBoxLink status(transport, "frmDDE", "Text2");
    command.SetLinkTopic("FLOOR16|frmMain");
    status.SetLinkTopic("FLOOR16|frmCmd");
    status.SetLinkItem("txtStatus");
    command.SetLinkMode(dde::vbLinkManual);
    status.SetLinkMode(dde::vbLinkAutomatic);
    auto start = Clock::now();
    for (long i = -kWarmUp; i < calls; ++i) {
      if (i == 0) start = Clock::now();
      const std::string file =
          "C:\\tmp\\nbs\\0\\a\\b\\c\\d\\e\\f\\g\\h\\i\\j\\k\\l\\m\\n\\o\\p\\q\\r\\s\\mod" +
          std::to_string(i + kWarmUp) + ".bas";
      command.LinkExecute("T " + file);
      if (status.Text() != file + " is not checked out")
        throw std::runtime_error("the floor's answer was lost");
    }
    seconds = Seconds(Clock::now() - start).count();
  }
  server.Stop();
  serving.join();
  return seconds;
}

long PeakKilobytes(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.starts_with("VmHWM:")) return std::atol(line.c_str() + 6);
  }
  return 0;
}

struct HostRun {
  int status = -1;
  double pass = 0, dialog = 0, check_out = 0, check_in = 0, history = 0;
  double extract = 0, update = 0;  // of the check-out and check-in: the engine's command alone
  long dialog_peak_kb = 0, peak_kb = 0;
  double host_cpu = 0, engine_cpu = 0;
  std::vector<long> lock_queries = std::vector<long>(6);  // "T" commands sent in each step
  long rows = 0, rows_locked = 0;
  std::vector<std::string> problems;
};

// The scenario: each measured command is followed by `show lockmode`, whose event marks the
// moment the command before it ended. Within a check-out or check-in, the dialog's closing event
// divides the dialog from the work after it (vbhost writes each event as it happens).
std::string Scenario(const std::string& root, const std::vector<Component>& free) {
  std::string select;
  for (const auto& c : free) select += " select " + c.name;
  std::ostringstream s;
  s << "open " << root << "/Big.vbp\n"
    << "addin connect\naddin connectaddin\nshow lockmode\n"
    << "answer dialog frmExtract cancel\nclick Tools \"C&heck Out\"\nshow lockmode\n"
    << "answer dialog frmExtract" << select << " ok\nclick Tools \"C&heck Out\"\nshow lockmode\n"
    << "answer dialog frmUpdate cancel\nclick Tools \"Check &In\"\nshow lockmode\n"
    << "answer dialog frmUpdate" << select << " ok\nclick Tools \"Check &In\"\nshow lockmode\n"
    << "select " << free.front().name << "\nanswer dialog frmVersions close\n"
    << "click \"Project Window Module/Class Folder\" \"Version &History\"\nshow lockmode\n";
  return s.str();
}

// The engine the add-in launched is still on the bus after vbhost ends; it became this
// process's child (a subreaper) and ends here, with its CPU time.
double StopEngine(const std::string& address) {
  uint32_t pid = 0;
  try {
    auto connection = sdbus::createSessionBusConnectionWithAddress(address);
    auto bus = sdbus::createProxy(*connection, "org.freedesktop.DBus", "/org/freedesktop/DBus");
    bus->callMethod("GetConnectionUnixProcessID")
        .onInterface("org.freedesktop.DBus")
        .withArguments(std::string("dde.WNORB16"))
        .storeResultsTo(pid);
  } catch (const sdbus::Error&) {
    return 0;
  }
  ::kill(static_cast<pid_t>(pid), SIGTERM);
  rusage usage{};
  Wait(static_cast<pid_t>(pid), &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

HostRun RunHost(const std::string& address, const std::string& root, const std::vector<Component>& free) {
  HostRun result;
  const std::string folder = root + ".run";
  posix::MakeFolders(folder);
  const std::string scenario = folder + "/scale.scn";
  std::ofstream(scenario) << Scenario(root, free);

  std::vector<std::string> env;
  for (auto& e : Environment()) {
    if (!e.starts_with("DBUS_SESSION_BUS_ADDRESS=")) env.push_back(e);
  }
  env.push_back("DBUS_SESSION_BUS_ADDRESS=" + address);
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  const auto start = Clock::now();
  const pid_t host =
      Spawn({std::string(NORB_BIN_DIR) + "/vbhost", "run", scenario, "--format", "json", "--bus", "session"},
            env, pipe_fds[1], pipe_fds[0]);
  ::close(pipe_fds[1]);

  // When each step's marker, its dialog's closing and its batch command arrived.
  std::vector<double> marks, closed(6, -1), batch_done(6, -1);
  std::string line, chunk(1 << 20, '\0');
  bool first_dialog = true;
  auto take = [&](const std::string& l) {
    const double now = Seconds(Clock::now() - start).count();
    if (marks.size() < 6 && (l.starts_with(R"({"event":"dialog","form":"frmExtract","phase":"closed")") ||
                             l.starts_with(R"({"event":"dialog","form":"frmUpdate","phase":"closed")"))) {
      closed[marks.size()] = now;
    }
    if (l.starts_with(R"({"event":"lockmode","show":true)")) {
      marks.push_back(now);
      if (marks.size() == 2) result.dialog_peak_kb = PeakKilobytes(host);
    } else if (l.starts_with(R"({"event":"execute")")) {
      if (marks.size() < 6 && l.find(R"("command":"T )") != std::string::npos)
        ++result.lock_queries[marks.size()];
      const bool batch = l.find(R"("command":"EW )") != std::string::npos ||
                         l.find(R"("command":"UW )") != std::string::npos;
      if (batch && l.find(R"("ok":true)") == std::string::npos) result.problems.push_back(l.substr(0, 200));
      if (batch && marks.size() < 6) batch_done[marks.size()] = now;
    } else if (first_dialog && l.starts_with(R"({"event":"dialog","form":"frmExtract","phase":"shown")")) {
      first_dialog = false;
      result.rows = static_cast<long>(Count(l, R"({"text":)"));
      result.rows_locked = result.rows - static_cast<long>(Count(l, R"("user":"<no lock>")"));
    } else if (l.starts_with(R"({"event":"engine","text":"> )")) {
      // The engine's own account of the batch: every file extracted, every file updated.
      const std::string all = std::to_string(free.size()) + " of " + std::to_string(free.size()) + " files ";
      const bool out = l.find(R"("text":"> EW )") != std::string::npos;
      const bool in = l.find(R"("text":"> UW )") != std::string::npos;
      if ((out && l.find(all + "extracted") == std::string::npos) ||
          (in && l.find(all + "updated") == std::string::npos)) {
        result.problems.push_back(l.substr(0, 300));
      }
    } else if (l.starts_with(R"({"event":"error")") || l.starts_with(R"({"event":"msgbox")")) {
      result.problems.push_back(l.substr(0, 200));
    }
  };
  // The engine vbhost launched inherits the transcript's pipe and outlives vbhost, so the end of
  // the transcript is vbhost's exit (seen without reaping it), not the pipe's end.
  bool host_ended = false;
  for (;;) {
    pollfd ready{pipe_fds[0], POLLIN, 0};
    if (::poll(&ready, 1, host_ended ? 0 : 100) == 0) {
      if (host_ended) break;
      siginfo_t info{};
      host_ended = waitid(P_PID, static_cast<id_t>(host), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                   info.si_pid == host;
      continue;
    }
    const ssize_t got = ::read(pipe_fds[0], chunk.data(), chunk.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    std::size_t from = 0;
    for (std::size_t at; (at = chunk.find('\n', from)) < static_cast<std::size_t>(got); from = at + 1) {
      line.append(chunk, from, at - from);
      take(line);
      line.clear();
    }
    line.append(chunk, from, static_cast<std::size_t>(got) - from);
  }
  ::close(pipe_fds[0]);
  rusage usage{};
  result.status = Wait(host, &usage);
  result.peak_kb = usage.ru_maxrss;
  result.host_cpu =
      usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  result.engine_cpu = StopEngine(address);
  std::filesystem::remove_all(folder);
  if (marks.size() != 6) {
    result.problems.push_back("the run ended after " + std::to_string(marks.size()) + " of 6 steps");
    return result;
  }
  result.pass = marks[0];
  result.dialog = marks[1] - marks[0];
  result.check_out = marks[2] - closed[2];
  result.check_in = marks[4] - closed[4];
  result.history = marks[5] - marks[4];
  result.extract = batch_done[2] - closed[2];
  result.update = batch_done[4] - closed[4];
  // The dialog closes before the batch command goes out, and the command's event follows its
  // answer: unless the transcript arrived in one piece, at least the engine's work lies between.
  for (int step : {2, 4}) {
    if (closed[step] < 0 || batch_done[step] - closed[step] < 1e-3) {
      result.problems.push_back("step " + std::to_string(step) +
                                ": the transcript did not arrive as it was written; its dialog cannot be "
                                "told from the work after it");
    }
  }
  return result;
}

// One `rlog` per file, as a script that asks each file in turn would; over every `step`-th file
// and scaled up when the project is large.
double RlogPerFile(const std::string& root, const std::vector<Component>& all, std::size_t sample) {
  const std::size_t step = std::max<std::size_t>(1, all.size() / sample);
  const auto env = Environment();
  std::size_t ran = 0;
  const auto start = Clock::now();
  for (std::size_t i = 0; i < all.size(); i += step, ++ran) {
    const pid_t pid = Spawn({"rlog", root + "/" + all[i].path}, env, -1);
    if (Wait(pid) != 0) throw std::runtime_error("rlog failed on " + all[i].path);
  }
  return Seconds(Clock::now() - start).count() * static_cast<double>(all.size()) / static_cast<double>(ran);
}

// `rlog -L -R` over every archive of the project, as few runs as the argument limit allows;
// the number of locked archives it lists.
double RlogLocked(const std::string& root, long* listed, int* runs) {
  std::vector<std::string> archives;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.path().string().ends_with(",v")) archives.push_back(entry.path().string());
  }
  const std::size_t room = static_cast<std::size_t>(sysconf(_SC_ARG_MAX)) / 2;
  const auto env = Environment();
  *listed = 0;
  *runs = 0;
  const auto start = Clock::now();
  for (std::size_t i = 0; i < archives.size();) {
    std::vector<std::string> args{"rlog", "-L", "-R"};
    for (std::size_t bytes = 0; i < archives.size() && bytes < room; ++i) {
      bytes += archives[i].size() + 1 + sizeof(char*);
      args.push_back(archives[i]);
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = Spawn(args, env, fds[1], fds[0]);
    ::close(fds[1]);
    char buffer[65536];
    for (ssize_t got; (got = ::read(fds[0], buffer, sizeof buffer)) > 0;)
      *listed += std::count(buffer, buffer + got, '\n');
    ::close(fds[0]);
    Wait(pid);
    ++*runs;
  }
  return Seconds(Clock::now() - start).count();
}

double ThreadCpu() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct QueryTime {
  double wall = 0, cpu = 0;  // per query
};

// The engine's "T" in-process on a file locked by someone else, the round of median wall time of
// five; its CPU time beside it, as the wall time moves with the machine's other work. `again`
// asks about one archive over and over, as the passes after the first do; `first` about each of
// 2,000 archives once, as a new engine's first pass does.
struct LockQueryTimes {
  QueryTime again, first;
};

QueryTime MedianRound(const std::function<void()>& round, int queries) {
  std::vector<QueryTime> rounds;
  for (int r = 0; r < 5; ++r) {
    const auto start = Clock::now();
    const double cpu = ThreadCpu();
    round();
    rounds.push_back({Seconds(Clock::now() - start).count() / queries, (ThreadCpu() - cpu) / queries});
  }
  std::sort(rounds.begin(), rounds.end(),
            [](const QueryTime& a, const QueryTime& b) { return a.wall < b.wall; });
  return rounds[2];
}

LockQueryTimes EngineLockQuery(int depth) {
  constexpr int kCopies = 2000;
  const bench::ArchivedFile file("FORM1.FRM", 1, "bob", depth, kCopies);
  std::string command;
  const std::unique_ptr<wnorb16::Engine> engine = file.QueryingEngine(command);
  LockQueryTimes times;
  constexpr int kQueries = 20000;
  times.again = MedianRound(
      [&] {
        for (int i = 0; i < kQueries; ++i) engine->Execute(command);
      },
      kQueries);
  std::vector<std::string> commands;
  commands.reserve(file.Copies().size());
  for (const std::string& copy : file.Copies()) commands.push_back("T " + copy);
  std::vector<std::unique_ptr<wnorb16::Engine>> fresh;
  fresh.reserve(5);
  for (int r = 0; r < 5; ++r) fresh.push_back(bench::ArchivedFile::OtherUsersEngine());
  int round = 0;
  times.first = MedianRound(
      [&] {
        for (const std::string& c : commands) fresh[static_cast<std::size_t>(round)]->Execute(c);
        ++round;
      },
      kCopies);
  return times;
}

struct Row {
  long n = 0;
  double floor_before = 0, floor_after = 0;  // direct lock queries
  double bus_before = 0, bus_after = 0;      // bare calls through the bus daemon
  HostRun host;
  double rlog_each = 0, rlog_locked = 0;
  bool rlog_sampled = false;
  long listed = 0, locked_files = 0;
  int rlog_runs = 0;
  std::size_t batch = 0;
  double Floor() const { return (floor_before + floor_after) / 2; }
  double Bus() const { return (bus_before + bus_after) / 2; }
};

// Reads every file below `root` once, so what the runs read is in the page cache.
void Warm(const std::string& root) {
  std::vector<char> buffer(1 << 16);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()))) {
    }
  }
}

Row Measure(const std::string& cache, long n, std::size_t sample, bool warm) {
  Row row;
  row.n = n;
  const std::string root = Project(cache, n);
  const auto all = Components(root);
  if (static_cast<long>(all.size()) != n)
    throw std::runtime_error(root + "/components.txt does not list " + std::to_string(n));
  std::vector<Component> free;
  for (const auto& c : all) {
    if (c.holder != "-") row.locked_files += c.kind == "form" ? 2 : 1;
    if (c.holder == "-" && c.kind == "module" && free.size() < kBatch) free.push_back(c);
  }
  row.batch = free.size();
  if (warm) Warm(root);

  dde::PrivateBus bus;
  row.floor_before = DirectCalls(bus.Address(), n);
  row.bus_before = BareCalls(bus.Address(), n);
  row.host = RunHost(bus.Address(), root, free);
  row.floor_after = DirectCalls(bus.Address(), n);
  row.bus_after = BareCalls(bus.Address(), n);
  row.rlog_sampled = all.size() > sample * 10;
  row.rlog_each = RlogPerFile(root, all, row.rlog_sampled ? sample : all.size());
  row.rlog_locked = RlogLocked(root, &row.listed, &row.rlog_runs);

  auto& problems = row.host.problems;
  if (row.host.status != 0) problems.push_back("vbhost ended with status " + std::to_string(row.host.status));
  if (row.host.lock_queries[0] < n)
    problems.push_back(std::to_string(row.host.lock_queries[0]) + " lock queries for " + std::to_string(n) +
                       " components");
  long locked_components =
      std::count_if(all.begin(), all.end(), [](const Component& c) { return c.holder != "-"; });
  if (row.host.rows_locked != locked_components) {
    problems.push_back("the dialog shows " + std::to_string(row.host.rows_locked) + " of " +
                       std::to_string(row.host.rows) + " rows locked, the project has " +
                       std::to_string(locked_components));
  }
  // Checked out and in again, the project is as it was: only the other users' locks remain.
  if (row.listed != row.locked_files) {
    problems.push_back("rlog -L lists " + std::to_string(row.listed) + " locked archives, not " +
                       std::to_string(row.locked_files));
  }
  return row;
}

}  // namespace

// An exception ends the run with its message, as a failed step should.
int main(int argc, char** argv) {  // NOLINT(bugprone-exception-escape)
  std::string cache = "/tmp/nbs";
  std::size_t sample = 1000;
  bool warm = true;
  std::vector<long> sizes;
  const char* usage = "usage: scale_bench [--cache DIR] [--rlog-sample K] [--no-warm] [N...]\n";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--cache" && i + 1 < argc) {
      cache = argv[++i];
    } else if (arg == "--rlog-sample" && i + 1 < argc) {
      sample = std::stoul(argv[++i]);
    } else if (arg == "--no-warm") {
      warm = false;
    } else if (arg == "--help" || arg == "-h") {
      std::cout << usage;
      return 0;
    } else if (!arg.empty() && std::isdigit(static_cast<unsigned char>(arg[0]))) {
      sizes.push_back(std::stol(arg));
    } else {
      std::cerr << usage;
      return 2;
    }
  }
  if (sizes.empty()) sizes = {100, 1000, 10000};
  // The engine outlives vbhost (it serves the bus, not vbhost); as the subreaper this process
  // gets it as a child and can end and reap it.
  prctl(PR_SET_CHILD_SUBREAPER, 1);

  const std::string load_start = LoadAverage();
  const auto wall_start = std::chrono::system_clock::now();
  std::vector<Row> rows;
  try {
    for (long n : sizes) {
      rows.push_back(Measure(cache, n, sample, warm));
      std::cerr << "scale_bench: " << n << " done\n";
    }
  } catch (const std::exception& e) {
    std::cerr << "scale_bench: " << e.what() << "\n";
    return 1;
  }
  const LockQueryTimes query3 = EngineLockQuery(3), query13 = EngineLockQuery(13);
  const std::string load_end = LoadAverage();

  const std::time_t when = std::chrono::system_clock::to_time_t(wall_start);
  char date[64];
  std::strftime(date, sizeof date, "%Y-%m-%d %H:%M UTC", std::gmtime(&when));
  std::printf("%s, load average (1, 5, 15 min) %s at start, %s at end; %s\n\n", date, load_start.c_str(),
              load_end.c_str(), warm ? "the project's files read first" : "the project's files as found");
  std::printf(
      "| components | direct queries (floor) | bare bus calls | start-up pass | pass / floor | check-out "
      "dialog "
      "| check-out of 100 | check-in of 100 | history | vbhost peak | `rlog` per file | `rlog -L -R` |\n");
  std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|\n");
  for (const auto& r : rows) {
    const auto& h = r.host;
    const std::string batch = r.batch == kBatch ? "" : " (" + std::to_string(r.batch) + " files)";
    std::printf("| %s | %s | %s | %s | %.2f | %s | %s%s | %s%s | %s | %.0f MB | %s%s | %s |\n",
                Thousands(r.n).c_str(), Quantity(r.Floor()).c_str(), Quantity(r.Bus()).c_str(),
                Quantity(h.pass).c_str(), h.pass / r.Floor(), Quantity(h.dialog).c_str(),
                Quantity(h.check_out).c_str(), batch.c_str(), Quantity(h.check_in).c_str(), batch.c_str(),
                Quantity(h.history).c_str(), h.dialog_peak_kb / 1024.0, Quantity(r.rlog_each).c_str(),
                r.rlog_sampled ? " (est.)" : "", Quantity(r.rlog_locked).c_str());
  }
  std::printf("\n");
  for (const auto& r : rows) {
    const auto& h = r.host;
    std::string queries;
    for (long q : h.lock_queries) queries += (queries.empty() ? "" : "/") + std::to_string(q);
    std::printf(
        "%s: floor %s before and %s after the run (%.1f us per query), bare bus calls %s and %s (%.1f us "
        "per call); pass %.1f us per component; the "
        "engine's extract %s and update %s of the check-out and check-in; "
        "vbhost CPU %s, engine CPU %s, vbhost peak %.0f MB over the run; lock queries per step "
        "(pass/dialog/check-out/check-in dialog/check-in/history) %s; rlog -L -R: %d run(s), %ld locked "
        "archives\n",
        Thousands(r.n).c_str(), Quantity(r.floor_before).c_str(), Quantity(r.floor_after).c_str(),
        r.Floor() / static_cast<double>(r.n) * 1e6, Quantity(r.bus_before).c_str(),
        Quantity(r.bus_after).c_str(), r.Bus() / static_cast<double>(r.n) * 1e6,
        h.pass / static_cast<double>(r.n) * 1e6, Quantity(h.extract).c_str(), Quantity(h.update).c_str(),
        Quantity(h.host_cpu).c_str(), Quantity(h.engine_cpu).c_str(), h.peak_kb / 1024.0, queries.c_str(),
        r.rlog_runs, r.listed);
    for (const auto& p : h.problems) std::printf("  PROBLEM at %s: %s\n", Thousands(r.n).c_str(), p.c_str());
  }
  std::printf("\n");
  for (const auto& r : rows) {
    if (r.n == 10000 || r.n == 100000) {
      std::printf(
          "start-up pass at %s: %.2f times the direct floor (target <= 2), %.2f times the bare bus "
          "calls\n",
          Thousands(r.n).c_str(), r.host.pass / r.Floor(), r.host.pass / r.Bus());
    }
    if (r.n == 100000) {
      std::printf("vbhost peak with the dialog shown at 100,000: %.0f MB (target <= 100 MB)\n",
                  r.host.dialog_peak_kb / 1024.0);
    }
  }
  std::printf(
      "engine T at depth 3: %.2f us (CPU %.2f us), at depth 13: %.2f us (CPU %.2f us) (target <= 10 us); "
      "the first T of each archive: %.2f us (CPU %.2f us) and %.2f us (CPU %.2f us)\n",
      query3.again.wall * 1e6, query3.again.cpu * 1e6, query13.again.wall * 1e6, query13.again.cpu * 1e6,
      query3.first.wall * 1e6, query3.first.cpu * 1e6, query13.first.wall * 1e6, query13.first.cpu * 1e6);
  bool failed = false;
  for (const auto& r : rows) failed = failed || !r.host.problems.empty();
  return failed ? 1 : 0;
}
