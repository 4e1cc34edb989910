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
#include "posix/whole_file.hpp"
#include "tests/dde/raised.hpp"
#include "tests/dde/test_engine.hpp"
#include "tests/win32/win_temp_folder.hpp"

namespace {

using namespace std::chrono_literals;
using namespace testing_support;
using Strings = std::vector<std::string>;

std::string Read(const std::string& path) { return posix::ReadWholeFile(path).value_or("<missing>"); }

// A project folder with its RCS folder, and WNORB.INI beside it naming the RCS wrappers.
struct Project {
  WinTempFolder folder;
  std::string ini, log, form;
  Project() {
    folder.MakeDir("proj\\RCS");
    ini = folder.Write("WNORB.INI",
                       "[Engine]\r\nLocking=Y\r\nUserID=ann\r\nRcsPrograms=" + BesideTheTest("rcs") + "\r\n");
    log = folder / "WNORB.LOG";
    form = folder.Write("proj\\FORM1.FRM", "VERSION 5.00\r\nBegin VB.Form Form1\r\nEnd\r\n");
  }
};

// WNORB16.EXE -L --ini <ini>, in a job of its own; `rcs_sleep_ms` makes each of its RCS runs wait
// that long first (rcs_under_wine.cpp). Destroying it kills the engine and everything it started.
class EngineProcess {
 public:
  explicit EngineProcess(const std::string& ini, const char* rcs_sleep_ms = nullptr) {
    job_ = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    std::string line = "\"" + BesideTheTest("..\\..\\bin\\WNORB16.EXE") + "\" -L --ini \"" + ini + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    SetEnvironmentVariableA("NORB_TEST_RCS_SLEEP_MS", rcs_sleep_ms);  // the engine's, from this one's
    const DWORD error =
        CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED | CREATE_NO_WINDOW,
                       nullptr, nullptr, &startup, &process_)
            ? 0
            : GetLastError();
    SetEnvironmentVariableA("NORB_TEST_RCS_SLEEP_MS", nullptr);
    if (error != 0) {
      ADD_FAILURE() << "cannot start " << line << " (Windows error " << error << ")";
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

// The add-in's links to an engine just started, as the add-in makes them: the initiate waits for
// it to serve (20 s at most here), and its status and outcome are empty at first.
struct Links : AdvisedClient {
  explicit Links(dde::DdemlTransport& t) : AdvisedClient(Launched(t), "", "") {}
  static dde::Transport& Launched(dde::DdemlTransport& t) {
    t.ServerLaunched();
    return t;
  }
};

// The lock query of a file with no archive, a check-in that makes one, a locked check-out, each
// status as the add-in reads it and the outcomes everyone is told (what RCS leaves on disk is the
// engine's test's, engine_rcs_test.cpp); the log written once the engine is idle. Then the engine
// ends on WM_CLOSE to its window, saying why in its log.
TEST(EngineProgram, ServesASessionOverDdeAndEndsOnWmCloseToItsWindow) {
  Project project;
  EngineProcess engine(project.ini);
  dde::DdemlTransport transport(dde::kDdemlTimeout, 20s);
  Links links(transport);
  const std::string& form = project.form;

  EXPECT_EQ(links.Execute("T " + form), form + ": NO LOCK FILE\r\n");

  const std::string created =
      "1 of 1 files updated\r\n" + form + ": archive created with revision 1.1; work file read-only\r\n";
  EXPECT_EQ(links.Execute("UW " + form), created);

  const std::string extracted =
      "1 of 1 files extracted\r\n" + form + ": revision 1.1 extracted and locked\r\n";
  EXPECT_EQ(links.Execute("EW " + form), extracted);
  EXPECT_TRUE(links.Execute("T " + form).starts_with(form + " is checked out to you\r\n"));

  // Lock queries are the log's alone; what changed files is everyone's, in order.
  EXPECT_TRUE(Eventually(&transport, [&] { return links.outcomes.size() >= 2; }));
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
  EXPECT_TRUE(Eventually(&transport, query_logged)) << Read(project.log);

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
  dde::DdemlTransport transport(dde::kDdemlTimeout, 20s);
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

// VB's numbers from what DDEML reports of the real engine (282, with none running, is DDEML's
// alone: ddeml_server_test.cpp): an execute it refuses (285: frmCmd takes no commands), one it does
// not answer in time (286: its RCS run hangs), and its exit while a conversation is open (291:
// WM_CLOSE to its thread). After a refusal it serves on.
TEST(EngineProgram, TheLinksFailureNumbers) {
  struct Case {
    const char* what;
    const char* rcs_sleep_ms;
    std::function<void(EngineProcess&, Links&, const std::string& form)> call;
    Raised raised;
  };
  const Case cases[] = {
      {"a command to frmCmd", nullptr,
       [](EngineProcess&, Links& l, auto& form) { l.cmd->Execute("T " + form); }, kRefused},
      {"a hung RCS run", "6000", [](EngineProcess&, Links& l, auto& form) { l.main->Execute("UW " + form); },
       kTimeout},
      {"the engine ended", nullptr,
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
    auto engine = std::make_unique<EngineProcess>(project.ini, c.rcs_sleep_ms);
    dde::DdemlTransport transport(1500ms, 20s);
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
