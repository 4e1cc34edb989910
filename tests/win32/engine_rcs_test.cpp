// The Windows engine on real RCS archives: its own code over the Win32 API, and Debian's RCS
// through tests/win32/rcs_under_wine.cpp (built beside the test as co.exe, ci.exe, rcs.exe,
// rlog.exe and rcsdiff.exe in rcs/).
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "posix/whole_file.hpp"
#include "tests/win32/win_temp_folder.hpp"
#include "wnorb16/engine.hpp"

namespace {

using posix::IsReadOnly;
using namespace std::chrono_literals;
using testing_support::WinTempFolder;
using wnorb16::Engine;
using wnorb16::EngineSetup;

std::string Slashed(std::string path) {
  for (char& c : path) c = c == '\\' ? '/' : c;
  return path;
}

std::string Read(const std::string& path) { return posix::ReadWholeFile(path).value_or("<missing>"); }

class WindowsEngine : public ::testing::Test {
 protected:
  WindowsEngine() { tmp_.MakeDir("proj\\RCS"); }

  Engine& engine() {
    if (!engine_) {
      EngineSetup setup;
      setup.ini_path = Slashed(tmp_ / "WNORB.INI");
      setup.programs_folder = testing_support::BesideTheTest("rcs");  // the wrappers
      setup.login_name = "ann";
      setup.lock_wait = std::chrono::milliseconds(300);
      engine_ = std::make_unique<Engine>(setup);
    }
    return *engine_;
  }
  std::string Run(const std::string& command) { return engine().Execute(command); }
  std::string Write(const std::string& name, const std::string& bytes) {
    return tmp_.Write("proj\\" + name, bytes);
  }
  std::string Archive(const std::string& name) const { return tmp_ / ("proj\\RCS\\" + name + ",v"); }

  WinTempFolder tmp_;
  std::unique_ptr<Engine> engine_;
};

// Every RCS program the engine runs: ci (a new archive, then a check-in), co (a locked check-out),
// rlog (the lock and the history), rcsdiff (a difference).
TEST_F(WindowsEngine, ChecksInChecksOutAndAnswersHistoryAndDifferences) {
  const std::string form = Write("FORM1.FRM", "one\r\ntwo\r\n");
  EXPECT_EQ(Run("UW " + form), "1 of 1 files updated\r\n" + form +
                                   ": archive created with revision 1.1; work file read-only\r\n");
  EXPECT_NE(Read(Archive("FORM1.FRM")).find("head\t1.1;"), std::string::npos);
  EXPECT_TRUE(IsReadOnly(form));
  EXPECT_EQ(Run("-C " + form + " " + form), "No differences\r\n");

  EXPECT_EQ(Run("EW " + form),
            "1 of 1 files extracted\r\n" + form + ": revision 1.1 extracted and locked\r\n");
  EXPECT_FALSE(IsReadOnly(form));
  EXPECT_NE(Read(Archive("FORM1.FRM")).find("ann:1.1;"), std::string::npos);
  EXPECT_TRUE(Run("T " + form).starts_with(form + " is checked out to you\r\n")) << Run("T " + form);

  Write("FORM1.FRM", "one\r\n2\r\n");
  // Without the dates diff gives each side.
  std::string compared = Run("-C " + form + " " + form);
  for (auto tab = compared.find('\t'); tab != std::string::npos; tab = compared.find('\t'))
    compared.erase(tab, compared.find('\r', tab) - tab);
  EXPECT_EQ(compared, "--- " + form + "\r\n+++ " + form + "\r\n@@ -1,2 +1,2 @@\r\n one\r\n-two\r\n+2\r\n");

  EXPECT_EQ(Run("UW " + form),
            "1 of 1 files updated\r\n" + form + ": checked in as revision 2.1; work file read-only\r\n");
  EXPECT_EQ(Read(form), "one\r\n2\r\n");
  const std::string history = Run("L " + form);
  EXPECT_TRUE(history.starts_with("History of " + form +
                                  "\r\nRevision  Date                 Author      Comment\r\n1.1 "))
      << history;
  EXPECT_NE(history.find("\r\n2.1       "), std::string::npos) << history;
}

// A lock an engine left on an archive is cleared when its process has ended on this computer
// (OpenProcess), or when it is older than StaleLock (the file's write time); one of a live
// process is left alone.
TEST_F(WindowsEngine, ALockARunThatEndedLeftIsClearedAndSaid) {
  const std::string form = Write("W.FRM", "w\r\n");
  ASSERT_TRUE(Run("UW " + form).starts_with("1 of 1 files updated"));
  const std::string rcs_lock = tmp_ / "proj\\RCS\\,W.FRM,", run_lock = rcs_lock + "WNORB16";
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  ASSERT_TRUE(GetComputerNameA(name, &size));
  const std::string host(name, size);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  char line[] = "cmd.exe /c exit 0";
  ASSERT_TRUE(CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                             &startup, &process));
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  const std::string ended = std::to_string(process.dwProcessId);

  const std::string busy = form + ": in use by another RCS command; left alone";
  const std::string done = form + ": revision 1.1 extracted and locked";
  // The engine lock's text ("" for none), the seconds since both locks were written, the file's line.
  for (const auto& [run_owner, age, said] : std::vector<std::tuple<std::string, int, std::string>>{
           {host + " " + ended + "\n", 0,
            done + " (the lock of engine process " + ended + " on " + host +
                ", which has ended, was cleared)"},
           {host + " " + std::to_string(GetCurrentProcessId()) + "\n", 0, busy},
           {"elsewhere 1\n", 700,
            done + " (a lock of engine process 1 on elsewhere older than StaleLock (600 s) was cleared)"},
           {"", 700, done + " (an RCS lock file older than StaleLock (600 s) was cleared)"},
       }) {
    SCOPED_TRACE(run_owner + std::to_string(age));
    Write("RCS\\,W.FRM,", "");
    if (!run_owner.empty()) Write("RCS\\,W.FRM,WNORB16", run_owner);
    for (const std::string& lock : {rcs_lock, run_lock}) {
      std::error_code absent;  // the engine's lock is not always there
      std::filesystem::last_write_time(lock, std::filesystem::file_time_type::clock::now() - age * 1s,
                                       absent);
    }
    EXPECT_EQ(Run("EW " + form),
              std::string(said == busy ? "0" : "1") + " of 1 files extracted\r\n" + said + "\r\n");
    // Nothing of the engine's own is left; what it did not clear stays its owner's.
    EXPECT_EQ(GetFileAttributesA(rcs_lock.c_str()) != INVALID_FILE_ATTRIBUTES, said == busy);
    EXPECT_EQ(GetFileAttributesA(run_lock.c_str()) != INVALID_FILE_ATTRIBUTES,
              said == busy && !run_owner.empty());
    DeleteFileA(rcs_lock.c_str());
    DeleteFileA(run_lock.c_str());
    if (said != busy) Run("UDW " + form);
  }
}

// The Windows engine has no Subversion store yet: Store=svn refuses every file and says so.
TEST_F(WindowsEngine, RefusesTheSubversionStore) {
  tmp_.Write("WNORB.INI", "[Engine]\r\nStore=SVN\r\n");
  const std::string form = Write("FORM1.FRM", "one\r\n");
  const std::string refusal = "ERROR: Store=\"SVN\": the Subversion store is not in the Windows engine (" +
                              Slashed(tmp_.path()) + "/WNORB.INI); set another and send CONFIG\r\n";
  for (const std::string& command : {std::string("CONFIG"), "UW " + form, "EW " + form})
    EXPECT_EQ(Run(command), refusal) << command;
  EXPECT_EQ(Read(Archive("FORM1.FRM")), "<missing>");
}

}  // namespace
