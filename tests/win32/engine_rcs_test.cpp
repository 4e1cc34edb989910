// The Windows engine on real RCS archives: its own code over the Win32 API, and Debian's RCS
// through tests/win32/rcs_under_wine.cpp (built beside the test as co.exe, ci.exe, rcs.exe,
// rlog.exe and rcsdiff.exe in rcs/).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/win32/read_file.hpp"
#include "wnorb16/engine.hpp"

namespace {

using wnorb16::Engine;
using wnorb16::EngineSetup;

std::string Slashed(std::string path, char from, char to) {
  for (char& c : path) {
    if (c == from) c = to;
  }
  return path;
}

using win32_test::Read;

void Write(const std::string& path, const std::string& bytes) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  HANDLE file =
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr));
  CloseHandle(file);
}

bool ReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// The wrappers' folder beside the test program.
std::string RcsFolder() {
  char own[MAX_PATH];
  const std::string path(own, GetModuleFileNameA(nullptr, own, sizeof own));
  return path.substr(0, path.find_last_of('\\')) + "\\rcs";
}

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
}

class WindowsEngine : public ::testing::Test {
 protected:
  WindowsEngine() {
    char temp[MAX_PATH];
    const std::string base(temp, GetTempPathA(sizeof temp, temp));
    folder_ = base + "norb-engine-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder_.c_str(), nullptr);
    CreateDirectoryA((folder_ + "\\proj").c_str(), nullptr);
    CreateDirectoryA((folder_ + "\\proj\\RCS").c_str(), nullptr);
  }
  ~WindowsEngine() override { RemoveTree(folder_); }

  Engine& engine() {
    if (!engine_) {
      EngineSetup setup;
      setup.ini_path = Slashed(folder_ + "\\WNORB.INI", '\\', '/');
      setup.programs_folder = RcsFolder();
      setup.login_name = "ann";
      setup.lock_wait = std::chrono::milliseconds(300);
      engine_ = std::make_unique<Engine>(setup);
    }
    return *engine_;
  }
  std::string Run(const std::string& command) { return engine().Execute(command); }
  std::string Windows(const std::string& name) const { return folder_ + "\\proj\\" + name; }
  std::string Archive(const std::string& name) const { return folder_ + "\\proj\\RCS\\" + name + ",v"; }

  std::string folder_;
  std::unique_ptr<Engine> engine_;
};

// Every RCS program the engine runs: ci (a new archive, then a check-in), co (a locked check-out),
// rlog (the lock and the history), rcsdiff (a difference).
TEST_F(WindowsEngine, ChecksInChecksOutAndAnswersHistoryAndDifferences) {
  const std::string form = Windows("FORM1.FRM");
  Write(form, "one\r\ntwo\r\n");
  EXPECT_EQ(Run("UW " + form), "1 of 1 files updated\r\n" + form +
                                   ": archive created with revision 1.1; work file read-only\r\n");
  EXPECT_NE(Read(Archive("FORM1.FRM")).find("head\t1.1;"), std::string::npos);
  EXPECT_TRUE(ReadOnly(form));
  EXPECT_EQ(Run("-C " + form + " " + form), "No differences\r\n");

  EXPECT_EQ(Run("EW " + form),
            "1 of 1 files extracted\r\n" + form + ": revision 1.1 extracted and locked\r\n");
  EXPECT_FALSE(ReadOnly(form));
  EXPECT_NE(Read(Archive("FORM1.FRM")).find("ann:1.1;"), std::string::npos);
  EXPECT_TRUE(Run("T " + form).starts_with(form + " is checked out to you\r\n")) << Run("T " + form);

  Write(form, "one\r\n2\r\n");
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
  const std::string form = Windows("W.FRM");
  Write(form, "w\r\n");
  ASSERT_TRUE(Run("UW " + form).starts_with("1 of 1 files updated"));
  const std::string rcs_lock = folder_ + "\\proj\\RCS\\,W.FRM,", run_lock = rcs_lock + "WNORB16";
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
  struct Case {
    std::string run_owner;  // the engine lock's text; "" for none
    int age;                // seconds since both were written
    std::string line;       // the file's line
  };
  for (const Case& c : std::vector<Case>{
           {host + " " + ended + "\n", 0,
            done + " (the lock of engine process " + ended + " on " + host +
                ", which has ended, was cleared)"},
           {host + " " + std::to_string(GetCurrentProcessId()) + "\n", 0, busy},
           {"elsewhere 1\n", 700,
            done + " (a lock of engine process 1 on elsewhere older than StaleLock (600 s) was cleared)"},
           {"", 700, done + " (an RCS lock file older than StaleLock (600 s) was cleared)"},
       }) {
    SCOPED_TRACE(c.run_owner + std::to_string(c.age));
    Write(rcs_lock, "");
    if (!c.run_owner.empty()) Write(run_lock, c.run_owner);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER then{{now.dwLowDateTime, now.dwHighDateTime}};
    then.QuadPart -= static_cast<ULONGLONG>(c.age) * 10000000;
    const FILETIME written{then.LowPart, then.HighPart};
    for (const std::string& lock : {rcs_lock, run_lock}) {
      HANDLE file = CreateFileA(lock.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
      if (file == INVALID_HANDLE_VALUE) continue;
      SetFileTime(file, nullptr, nullptr, &written);
      CloseHandle(file);
    }
    const std::string answer = Run("EW " + form);
    EXPECT_NE(answer.find("\r\n" + c.line + "\r\n"), std::string::npos) << answer;
    // Nothing of the engine's own is left; what it did not clear stays its owner's.
    EXPECT_EQ(GetFileAttributesA(rcs_lock.c_str()) != INVALID_FILE_ATTRIBUTES, c.line == busy);
    EXPECT_EQ(GetFileAttributesA(run_lock.c_str()) != INVALID_FILE_ATTRIBUTES,
              c.line == busy && !c.run_owner.empty());
    DeleteFileA(rcs_lock.c_str());
    DeleteFileA(run_lock.c_str());
    if (c.line != busy) Run("UDW " + form);
  }
}

// The Windows engine has no Subversion store yet: Store=svn refuses every file and says so.
TEST_F(WindowsEngine, RefusesTheSubversionStore) {
  Write(folder_ + "\\WNORB.INI", "[Engine]\r\nStore=SVN\r\n");
  const std::string form = Windows("FORM1.FRM");
  Write(form, "one\r\n");
  const std::string refusal = "ERROR: Store=\"SVN\": the Subversion store is not in the Windows engine (" +
                              Slashed(folder_, '\\', '/') + "/WNORB.INI); set another and send CONFIG\r\n";
  for (const std::string& command : {std::string("CONFIG"), "UW " + form, "EW " + form})
    EXPECT_EQ(Run(command), refusal) << command;
  EXPECT_EQ(Read(Archive("FORM1.FRM")), "<missing>");
}

}  // namespace
