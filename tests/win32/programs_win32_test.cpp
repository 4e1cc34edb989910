// vbhost.exe and NORBVB5.EXE as Windows programs: started as a person starts them, their output
// and exit code read back.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>

#include "tests/host/scenario_cases.hpp"
#include "tests/win32/win_temp_folder.hpp"

namespace {

using namespace testing_support;

// The tests are in tests\bin, the programs in bin.
std::string BesideTheTests(const std::string& program) { return BesideTheTest("..\\..\\bin\\" + program); }

struct Ran {
  DWORD exit_code = 0;
  std::string output;  // standard output and error together
  bool operator==(const Ran&) const = default;
};
void PrintTo(const Ran& ran, std::ostream* os) {
  *os << ran.exit_code << " " << ::testing::PrintToString(ran.output);
}

// Runs the command line with its standard output and error in a file of `folder`'s own (Wine
// may hold the last one's a little after its process ended); a minute at most.
Ran RunProgram(const std::string& command_line, const WinTempFolder& folder) {
  static int runs = 0;
  const std::string output_file = folder / ("out" + std::to_string(++runs) + ".txt");
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE out = ::CreateFileA(output_file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(out, INVALID_HANDLE_VALUE) << output_file;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = out;
  startup.hStdError = out;
  PROCESS_INFORMATION process{};
  std::string line = command_line;
  Ran ran;
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
    ADD_FAILURE() << "cannot start " << command_line;
    ::CloseHandle(out);
    return ran;
  }
  EXPECT_EQ(::WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0) << command_line;
  ::GetExitCodeProcess(process.hProcess, &ran.exit_code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  ::CloseHandle(out);
  ran.output = FileText(output_file);
  return ran;
}

// Sets an environment variable for the programs a test starts, and restores it.
class ScopedWinEnv {
 public:
  ScopedWinEnv(const char* name, const std::string& value) : name_(name) {
    char old[4096];
    DWORD n = ::GetEnvironmentVariableA(name, old, sizeof old);
    if (n > 0 && n < sizeof old) old_ = std::string(old, n);
    ::SetEnvironmentVariableA(name, value.c_str());
  }
  ~ScopedWinEnv() { ::SetEnvironmentVariableA(name_.c_str(), old_ ? old_->c_str() : nullptr); }

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Registration in the Windows directory %WINDIR% names, said once; a second run finds it and
// says nothing.
TEST(Norbvb5ExeWin32, RegistersOnceThenStaysQuiet) {
  WinTempFolder tmp;
  ScopedWinEnv windir("WINDIR", tmp.path());
  const std::string run = "\"" + BesideTheTests("NORBVB5.EXE") + "\"";
  EXPECT_EQ(RunProgram(run, tmp), (Ran{0, "NORBVB5: NORB add-in installed...\r\n"}));
  EXPECT_EQ(FileText(tmp / "vbaddin.ini"), "[Add-Ins32]\r\nNORBVB5.nvb5VersionControl=0\r\n");
  EXPECT_EQ(RunProgram(run, tmp), Ran{});
}

// `vbhost run` writes the transcript, the real shell's launch and the link over DDE included;
// `gui` is refused with the reason, and --help says so; both programs say their version.
TEST(VbhostExeWin32, RunsAScenarioRefusesTheDesktopAndSaysSo) {
  WinTempFolder tmp;
  WriteProject(tmp);
  tmp.Write("s.scn",
            "addin install bin\nset windir windows\nopen App/App.vbp\nanswer msgbox OK\naddin connectaddin\n"
            "engine comment fixed\n");
  const std::string vbhost = "\"" + BesideTheTests("vbhost.exe") + "\"";
  Ran run =
      RunProgram(vbhost + " run \"" + (tmp / "s.scn") + "\" --transcript \"" + (tmp / "t.jsonl") + "\"", tmp);
  EXPECT_EQ(run.exit_code, 0u) << run.output;
  const std::vector<std::string> t = TranscriptLines(FileText(tmp / "t.jsonl"), tmp.path());
  // The empty WNORB16.EXE cannot start, which the add-in says; no engine answers the comment.
  for (const char* expected : {
           R"({"event":"launch","command":"$DIR\\bin\\WNORB16 -L","style":1,"started":false,"number":53})",
           R"({"event":"msgbox","text":"startNORB -- File not found","style":4096,"answer":"OK"})",
           R"({"event":"end"})",
           R"({"event":"engine-command","command":"COMMENT fixed","ok":false,"number":282})",
       }) {
    EXPECT_EQ(With(t, expected).size(), 1u) << expected << "\n" << ::testing::PrintToString(t);
  }

  EXPECT_EQ(
      RunProgram(vbhost + " gui", tmp),
      (Ran{2,
           "vbhost: gui: this vbhost has no desktop (it is built without Qt, as on Windows); `vbhost run` "
           "runs scenarios\r\n"}));
  Ran help = RunProgram(vbhost + " --help", tmp);
  EXPECT_EQ(help.exit_code, 0u);
  EXPECT_NE(help.output.find("Not in this build: the desktop IDE needs Qt"), std::string::npos)
      << help.output;
  EXPECT_EQ(help.output.find("--bus"), std::string::npos) << help.output;

  for (auto [program, name] : {std::pair{"vbhost.exe", "vbhost"}, {"NORBVB5.EXE", "NORBVB5.EXE"}}) {
    EXPECT_EQ(RunProgram("\"" + BesideTheTests(program) + "\" --version", tmp),
              (Ran{0, std::string(name) + " " + NORB_VERSION + "\r\n"}));
  }
}

}  // namespace
