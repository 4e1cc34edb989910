// WNORB16.EXE itself under Wine: started as the add-in starts it (-L), with its settings naming
// the RCS wrappers and a project folder of the test's, and talked to over real DDE by the link's
// own client. A short session whole, then the link's failure numbers against the real engine.
// Every engine runs in a job object that kills what is left of it when the test lets go.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "dde/ddeml_transport.hpp"
#include "tests/dde/raised.hpp"
#include "tests/win32/read_file.hpp"
#include "tests/win32/win_temp_folder.hpp"

namespace {

using namespace std::chrono_literals;
using namespace testing_support;
using Strings = std::vector<std::string>;

// The test program's folder, tests\bin in the build.
std::string OwnFolder() {
  char own[MAX_PATH];
  const std::string path(own, GetModuleFileNameA(nullptr, own, sizeof own));
  return path.substr(0, path.find_last_of('\\'));
}

using win32_test::Read;

bool ReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// Pumps until `done` holds; false when it does not within a few seconds. Wine's DDEML may bring
// an execute's advise data after its answer (docs/windows.md).
bool Eventually(dde::Transport& transport, auto done) {
  for (auto until = std::chrono::steady_clock::now() + 5s; std::chrono::steady_clock::now() < until;) {
    transport.Pump();
    if (done()) return true;
    std::this_thread::sleep_for(5ms);
  }
  return done();
}

// A project folder with its RCS folder, and WNORB.INI beside it naming the RCS wrappers.
struct Project {
  WinTempFolder folder;
  std::string ini, log, form;
  Project() {
    folder.MakeDir("proj");
    folder.MakeDir("proj\\RCS");
    ini = folder.Write("WNORB.INI",
                       "[Engine]\r\nLocking=Y\r\nUserID=ann\r\nRcsPrograms=" + OwnFolder() + "\\rcs\r\n");
    log = folder / "WNORB.LOG";
    form = folder.Write("proj\\FORM1.FRM", "VERSION 5.00\r\nBegin VB.Form Form1\r\nEnd\r\n");
  }
  std::string Archive() const { return folder / "proj\\RCS\\FORM1.FRM,v"; }
};

// WNORB16.EXE -L --ini <ini>, in a job of its own; `environment` ("NAME=value") is added to the
// engine's. Destroying it kills the engine and everything it started.
class EngineProcess {
 public:
  explicit EngineProcess(const std::string& ini, const std::string& environment = "") {
    job_ = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    std::string line = "\"" + OwnFolder() + "\\..\\..\\bin\\WNORB16.EXE\" -L --ini \"" + ini + "\"";
    std::string block;  // this process's environment and the one added
    if (char* strings = GetEnvironmentStringsA()) {
      for (const char* at = strings; *at != '\0'; at += std::strlen(at) + 1) block.append(at).push_back('\0');
      FreeEnvironmentStringsA(strings);
    }
    if (!environment.empty()) block.append(environment).push_back('\0');
    block.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED | CREATE_NO_WINDOW,
                        block.data(), nullptr, &startup, &process_)) {
      ADD_FAILURE() << "cannot start " << line << " (Windows error " << GetLastError() << ")";
      return;
    }
    AssignProcessToJobObject(job_, process_.hProcess);
    ResumeThread(process_.hThread);
  }
  ~EngineProcess() {
    if (process_.hProcess != nullptr) {
      TerminateProcess(process_.hProcess, 99);
      WaitForSingleObject(process_.hProcess, 10000);
      CloseHandle(process_.hThread);
      CloseHandle(process_.hProcess);
    }
    if (job_ != nullptr) CloseHandle(job_);
  }
  EngineProcess(const EngineProcess&) = delete;
  EngineProcess& operator=(const EngineProcess&) = delete;

  // As a host ends the engine it started: WM_CLOSE to its main thread.
  void Close() const { PostThreadMessageA(process_.dwThreadId, WM_CLOSE, 0, 0); }
  // As taskkill without /F does: WM_CLOSE to the process's top-level window; false when it has none.
  bool CloseWindow() const { return PostToWindow(WM_CLOSE, 0); }
  // `message` posted to its hidden window, as the system or another program would.
  bool PostToWindow(UINT message, WPARAM w) const {
    for (HWND window = FindWindowA("WNORB16 engine", nullptr); window != nullptr;
         window = FindWindowExA(nullptr, window, "WNORB16 engine", nullptr)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      if (owner == process_.dwProcessId) return PostMessageA(window, message, w, 0) != 0;
    }
    return false;
  }
  // Its exit code once it has ended within a few seconds; STILL_ACTIVE while it runs.
  DWORD ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process_.hProcess, 10000) == WAIT_OBJECT_0)
      GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }

 private:
  HANDLE job_ = nullptr;
  PROCESS_INFORMATION process_{};
};

// The add-in's links: commands to frmMain, the status (automatic, as the add-in's text box) and
// the outcome advised from frmCmd. Waits for the engine to serve first.
struct Links {
  dde::Transport& transport;
  std::unique_ptr<dde::Conversation> main, cmd;
  Strings statuses, outcomes;

  explicit Links(dde::Transport& t) : transport(t) {
    for (auto until = std::chrono::steady_clock::now() + 20s; !main;) {
      try {
        main = transport.Initiate("WNORB16", "frmMain");
      } catch (const vb::Error&) {
        if (std::chrono::steady_clock::now() > until) throw;
        std::this_thread::sleep_for(50ms);
      }
    }
    cmd = transport.Initiate("WNORB16", "frmCmd");
    EXPECT_EQ(cmd->Advise("txtStatus", [this](const std::string& v) { statuses.push_back(v); }), "");
    EXPECT_EQ(cmd->Advise("txtOutcome", [this](const std::string& v) { outcomes.push_back(v); }), "");
  }
  // Sends the command; answers the status the advise loop brought, as the add-in reads it.
  std::string Execute(const std::string& command) {
    const std::size_t before = statuses.size();
    main->Execute(command);
    if (!Eventually(transport, [&] { return statuses.size() > before; })) return "<no status advised>";
    EXPECT_EQ(cmd->Request("txtStatus"), statuses.back()) << command;
    return statuses.back();
  }
};

// The lock query of a file with no archive, a check-in that makes one, a locked check-out, each
// status as the add-in reads it and the outcomes everyone is told; the archive and the work file
// as RCS left them; the log written once the engine is idle. Then the engine ends on WM_CLOSE to its
// window, saying why in its log.
TEST(EngineProgram, ServesASessionOverDdeAndEndsOnWmCloseToItsWindow) {
  Project project;
  EngineProcess engine(project.ini);
  dde::DdemlTransport transport;
  Links links(transport);
  const std::string& form = project.form;

  EXPECT_EQ(links.Execute("T " + form), form + ": NO LOCK FILE\r\n");
  EXPECT_EQ(Read(project.Archive()), "<missing>");

  const std::string created =
      "1 of 1 files updated\r\n" + form + ": archive created with revision 1.1; work file read-only\r\n";
  EXPECT_EQ(links.Execute("UW " + form), created);
  EXPECT_NE(Read(project.Archive()).find("head\t1.1;"), std::string::npos) << Read(project.Archive());
  EXPECT_TRUE(ReadOnly(form));

  const std::string extracted =
      "1 of 1 files extracted\r\n" + form + ": revision 1.1 extracted and locked\r\n";
  EXPECT_EQ(links.Execute("EW " + form), extracted);
  EXPECT_NE(Read(project.Archive()).find("ann:1.1;"), std::string::npos) << Read(project.Archive());
  EXPECT_FALSE(ReadOnly(form));
  EXPECT_TRUE(links.Execute("T " + form).starts_with(form + " is checked out to you\r\n"));

  // Lock queries are the log's alone; what changed files is everyone's, in order.
  EXPECT_TRUE(Eventually(transport, [&] { return links.outcomes.size() >= 2; }));
  EXPECT_EQ(links.outcomes,
            (Strings{"> UW " + form + "\r\n" + created, "> EW " + form + "\r\n" + extracted}));
  EXPECT_EQ(links.cmd->Request("txtOutcome"), links.outcomes.back());

  // The last query's line is held while queries may follow, and on disk once the engine is idle.
  auto query_logged = [&] {
    const std::string log = Read(project.log);
    const std::size_t checked_out = log.find("> EW " + form + "\n");
    return checked_out != std::string::npos &&
           log.find("> T " + form + "\n", checked_out) != std::string::npos;
  };
  EXPECT_TRUE(Eventually(transport, query_logged)) << Read(project.log);

  ASSERT_TRUE(engine.CloseWindow());
  EXPECT_EQ(engine.ExitCode(), 0u);
  const std::string log = Read(project.log);
  EXPECT_NE(log.find("> UW " + form + "\n"), std::string::npos) << log;
  EXPECT_TRUE(log.ends_with(" ending: WM_CLOSE received\n")) << log;
}

// A second engine started while one serves leaves the link to it and ends, saying so. The first
// serves on through a session end that was called off, and ends at one that goes ahead.
TEST(EngineProgram, ASecondEngineLeavesTheLinkToTheFirstWhichEndsWithTheSession) {
  Project project;
  EngineProcess first(project.ini);
  dde::DdemlTransport transport;
  Links links(transport);
  EngineProcess second(project.ini);
  EXPECT_EQ(second.ExitCode(), 0u);
  EXPECT_NE(Read(project.log).find(" another engine serves the link; ending\n"), std::string::npos)
      << Read(project.log);

  ASSERT_TRUE(first.PostToWindow(WM_ENDSESSION, FALSE));
  EXPECT_EQ(links.Execute("T " + project.form), project.form + ": NO LOCK FILE\r\n");
  ASSERT_TRUE(first.PostToWindow(WM_ENDSESSION, TRUE));
  EXPECT_EQ(first.ExitCode(), 0u);
  EXPECT_TRUE(Read(project.log).ends_with(" ending: the session ends\n")) << Read(project.log);
}

// VB's numbers from what DDEML reports of the real engine: none running (282), an execute it
// refuses (285: frmCmd takes no commands), one it does not answer in time (286: its RCS run hangs),
// and its exit while a conversation is open (291: WM_CLOSE to its thread). After a refusal it serves on.
TEST(EngineProgram, TheLinksFailureNumbers) {
  struct Case {
    const char* what;
    bool engine;
    const char* environment;
    std::function<void(EngineProcess&, Links&, const std::string& form)> call;
    Raised raised;
  };
  const Raised timed_out{286, "Timeout while waiting for DDE response"};
  const Case cases[] = {
      {"no engine", false, "", nullptr, kNoResponse},
      {"a command to frmCmd", true, "",
       [](EngineProcess&, Links& l, auto& form) { l.cmd->Execute("T " + form); }, kRefused},
      {"a hung RCS run", true, "NORB_TEST_RCS_SLEEP_MS=6000",
       [](EngineProcess&, Links& l, auto& form) { l.main->Execute("UW " + form); }, timed_out},
      {"the engine ended", true, "",
       [](EngineProcess& e, Links& l, auto& form) {
         e.Close();
         EXPECT_EQ(e.ExitCode(), 0u);
         l.main->Execute("T " + form);
       },
       kQuit},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Project project;
    std::unique_ptr<EngineProcess> engine;
    if (c.engine) engine = std::make_unique<EngineProcess>(project.ini, c.environment);
    dde::DdemlTransport transport(1500ms);
    if (!c.engine) {
      EXPECT_EQ(RaisedBy([&] { transport.Initiate("WNORB16", "frmMain"); }), c.raised);
      continue;
    }
    Links links(transport);
    EXPECT_EQ(RaisedBy([&] { c.call(*engine, links, project.form); }), c.raised);
    if (c.raised == kRefused) {
      EXPECT_EQ(links.Execute("T " + project.form), project.form + ": NO LOCK FILE\r\n");
    }
    // Gone before the links end their conversations: a hung one would be waited for.
    engine.reset();
  }
}

}  // namespace
