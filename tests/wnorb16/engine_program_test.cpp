// WNORB16.EXE as the add-in meets it: a separate process on the bus, linked through text boxes.
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "dde/dbus_transport.hpp"
#include "dde/private_bus.hpp"
#include "dde/text_box_link.hpp"
#include "engine_fixture.hpp"
#include "tests/dde/child_process.hpp"

namespace wnorb16::testing {
namespace {

using dde_test::ChildProcess;
using namespace std::chrono_literals;

// busctl prints a string with backslashes doubled.
std::string JsonEscaped(const std::string& s) {
  std::string out;
  for (char c : s) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return out;
}

TEST_F(EngineTest, TheProgramServesTheLinkAndASecondStartLeavesItAlone) {
  tmp_.Write("WNORB.INI", "[Engine]\r\nUserID=ann\r\n");
  Archived("my form.frm", "one\n");
  dde::PrivateBus bus;
  const std::string ini = tmp_ / "WNORB.INI";
  // Without a terminal and without -L: it serves and keeps a log.
  ChildProcess first({WNORB16_EXE, "--bus", bus.Address(), "--ini", ini});

  dde::DbusTransport transport(bus.Address());
  transport.ServerLaunched();
  AddinLinks links(transport);
  dde::TextBoxLink& text1 = links.text1;
  dde::TextBoxLink& text2 = links.text2;

  text1.LinkExecute("CD " + Short(""));
  EXPECT_EQ(text2.Text(), "OK");
  const std::string name = Short("my form.frm").substr(Short("").size());
  text1.LinkExecute("EW " + name);
  EXPECT_EQ(text2.Text(), "1 of 1 files extracted\r\n" + name + ": revision 1.1 extracted and locked\r\n");
  text1.LinkExecute("T " + name);
  EXPECT_TRUE(text2.Text().starts_with(name + " is checked out to you\r\n")) << text2.Text();

  ChildProcess second({WNORB16_EXE, "-L", "--bus", bus.Address(), "--ini", ini});
  EXPECT_EQ(second.Finish(5s).exit_code, 0);
  text1.LinkExecute("G2LOCKING");
  EXPECT_EQ(text2.Text(), "Y");

  first.Kill();
  const std::string log = Contents(tmp_ / "WNORB.LOG");
  EXPECT_NE(log.find(" > EW " + name + "\n1 of 1 files extracted\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" > G2LOCKING\nY\n"), std::string::npos) << log;
}

// Anyone on the bus can drive the engine, without the add-in.
TEST_F(EngineTest, BusctlDrivesTheEngine) {
  tmp_.Write("WNORB.INI", "[Engine]\r\nLocking=N\r\nUserID=ann\r\n");
  Archived("B.BAS", "b\n");
  dde::PrivateBus bus;
  ChildProcess engine({WNORB16_EXE, "-L", "--bus", bus.Address(), "--ini", tmp_ / "WNORB.INI"});
  auto busctl = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"busctl", "--address=" + bus.Address()});
    return ChildProcess(std::move(args)).Finish(10s);
  };
  // The engine may still be claiming its name.
  ChildProcess::Result call;
  for (int i = 0; i < 50; ++i) {
    call = busctl({"call", "dde.WNORB16", "/frmMain", "dde.Topic", "Execute", "s", "G2LOCKING"});
    if (call.exit_code == 0) break;
    std::this_thread::sleep_for(100ms);
  }
  ASSERT_EQ(call.exit_code, 0) << call.output;
  auto status = busctl({"get-property", "dde.WNORB16", "/frmCmd", "dde.Items", "txtStatus"});
  EXPECT_EQ(status.output, "s \"N\"\n");

  ASSERT_EQ(busctl({"call", "dde.WNORB16", "/frmMain", "dde.Topic", "Execute", "s", "T " + Short("B.BAS")})
                .exit_code,
            0);
  status = busctl({"get-property", "dde.WNORB16", "/frmCmd", "dde.Items", "txtStatus"});
  EXPECT_EQ(status.output, "s \"" + JsonEscaped(Short("B.BAS")) + " is not checked out\\r\\n\"\n");
  engine.Kill();
}

TEST_F(EngineTest, TheProgramRunsCommandsGivenOnItsCommandLine) {
  Archived("A.FRM", "a\n");
  ChildProcess run({WNORB16_EXE, "--ini", tmp_ / "WNORB.INI", "-c", "CD " + Short(""), "-c", "T A.FRM", "-c",
                    "-C A.FRM A.FRM"});
  ChildProcess::Result result = run.Finish(10s);
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output, "OK\nA.FRM is not checked out\nNo differences\n");

  // A refused command ends the run, with status 1.
  ChildProcess refused({WNORB16_EXE, "--ini", tmp_ / "WNORB.INI", "-c", "CD " + Short(""), "-c", "ESW A.FRM",
                        "-c", "EW A.FRM"});
  result = refused.Finish(10s);
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_TRUE(result.output.starts_with("OK\nERROR: option S")) << result.output;
  EXPECT_EQ(result.output.find("extracted"), std::string::npos) << result.output;
  EXPECT_TRUE(ReadOnly(Path("A.FRM")));
}

// The interactive engine on a terminal: a command from the link never waits for the person, and
// neither does a question typed at the terminal and not answered yet.
TEST_F(EngineTest, TheInteractiveEngineServesTheLinkWithoutWaitingForItsTerminal) {
  tmp_.Write("WNORB.INI", "[Engine]\r\nUserID=ann\r\n");
  Archived("A.FRM", "one\n");
  dde::PrivateBus bus;
  int terminal = -1;
  const pid_t engine = forkpty(&terminal, nullptr, nullptr, nullptr);
  ASSERT_GE(engine, 0);
  if (engine == 0) {
    const std::string ini = tmp_ / "WNORB.INI";
    execl(WNORB16_EXE, WNORB16_EXE, "--bus", bus.Address().c_str(), "--ini", ini.c_str(), nullptr);
    _exit(127);
  }
  auto type = [&](const std::string& line) {
    ASSERT_EQ(write(terminal, line.data(), line.size()), ssize_t(line.size()));
  };
  {
    dde::DbusTransport transport(bus.Address());
    transport.SetCallTimeout(5s);
    transport.ServerLaunched();  // the engine forked above may still be taking its name
    AddinLinks links(transport);
    links.text1.LinkExecute("EW " + Windows("A.FRM"));
    Write("A.FRM", "two\n");
    links.text1.LinkExecute("UW " + Windows("A.FRM"));
    EXPECT_EQ(links.text2.Text(), "1 of 1 files updated\r\n" + Windows("A.FRM") +
                                      ": checked in as revision 2.1; work file read-only\r\n");
    type("CONFIG\n");
    std::this_thread::sleep_for(200ms);
    links.text1.LinkExecute("T " + Windows("A.FRM"));
    EXPECT_EQ(links.text2.Text(), Windows("A.FRM") + " is not checked out\r\n");
    type("N\n\n\n");
    for (int i = 0; i < 50 && links.text2.Text() != "N"; ++i) {
      std::this_thread::sleep_for(100ms);
      links.text1.LinkExecute("G2LOCKING");
    }
    EXPECT_EQ(links.text2.Text(), "N");
  }
  type("EXIT\n");
  std::string shown;
  char buffer[4096];
  for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;) shown.append(buffer, std::size_t(n));
  int status = 0;
  waitpid(engine, &status, 0);
  close(terminal);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << shown;
  EXPECT_NE(shown.find("[link] UW "), std::string::npos) << shown;
  EXPECT_TRUE(
      StatusLines(Run("L " + Windows("A.FRM"))).back().ends_with("  ann         Checked in by WNORB16 (UW)"));
}

}  // namespace
}  // namespace wnorb16::testing
