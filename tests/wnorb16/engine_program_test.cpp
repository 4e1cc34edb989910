// WNORB16.EXE as the add-in meets it: a separate process on the bus, linked through text boxes.
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "dde/dbus_transport.hpp"
#include "dde/private_bus.hpp"
#include "dde/text_box_link.hpp"
#include "engine_fixture.hpp"
#include "tests/dde/child_process.hpp"

namespace testing_support {
namespace {

using testing_support::ChildProcess;
using namespace std::chrono_literals;

// A string as busctl prints it: quoted, with backslashes doubled and line ends escaped.
std::string BusctlString(const std::string& s) {
  std::string out = "s \"";
  for (char c : s) {
    out += c == '\\'   ? std::string("\\\\")
           : c == '\r' ? std::string("\\r")
           : c == '\n' ? std::string("\\n")
                       : std::string(1, c);
  }
  return out + "\"\n";
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

// Two IDEs of one user on one engine, and busctl beside them: each reads only its own answers,
// through the add-in's links and through a plain property Get. What changes files reaches
// everyone as an outcome; a lock query does not. The -L engine logs every command.
TEST_F(EngineTest, EachClientReadsItsOwnAnswersAndEveryoneSeesTheOutcomes) {
  tmp_.Write("WNORB.INI", "[Engine]\r\nUserID=ann\r\n");
  Archived("A.BAS", "a\n");
  Archived("B.BAS", "b\n");
  LockAs("bob", "B.BAS");
  ASSERT_EQ(::chmod(Path("B.BAS").c_str(), 0444), 0);  // bob's copy is elsewhere
  dde::PrivateBus bus;
  ChildProcess engine({WNORB16_EXE, "-L", "--bus", bus.Address(), "--ini", tmp_ / "WNORB.INI"});
  dde::DbusTransport ann1(bus.Address());
  dde::DbusTransport ann2(bus.Address());
  ann1.ServerLaunched();  // the engine above may still be taking its name
  ann2.ServerLaunched();
  AddinLinks links1(ann1);
  AddinLinks links2(ann2);
  auto status1 = ann1.Initiate("WNORB16", "frmCmd");
  auto status2 = ann2.Initiate("WNORB16", "frmCmd");
  std::vector<std::string> outcomes;
  status2->Advise("txtOutcome", [&](const std::string& text) { outcomes.push_back(text); });

  const std::string a = Short("A.BAS");
  const std::string b = Short("B.BAS");
  const std::string free = a + " is not checked out\r\n";
  const std::string held = b + " is checked out to someone else\r\n";
  for (int round = 0; round < 5; ++round) {
    links1.text1.LinkExecute("T " + a);
    links2.text1.LinkExecute("T " + b);
    EXPECT_EQ(links1.text2.Text(), free);
    EXPECT_TRUE(links2.text2.Text().starts_with(held)) << links2.text2.Text();
    EXPECT_EQ(status1->Request("txtStatus"), free);
    EXPECT_TRUE(status2->Request("txtStatus").starts_with(held));
  }
  auto busctl = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"busctl", "--address=" + bus.Address()});
    return ChildProcess(std::move(args)).Finish(10s);
  };
  EXPECT_EQ(busctl({"get-property", "dde.WNORB16", "/frmCmd", "dde.Items", "txtStatus"}).output,
            BusctlString(""));
  ann2.Pump();
  EXPECT_TRUE(outcomes.empty()) << outcomes.front();

  // A check-out by the first IDE, refused for B: its answer is its own, its outcome everyone's.
  links1.text1.LinkExecute("EW " + a + "," + b);
  ann2.Pump();
  const std::string answer = "1 of 2 files extracted\r\n" + a + ": revision 1.1 extracted and locked\r\n" +
                             b + ": checked out to bob; left alone\r\n";
  EXPECT_EQ(links1.text2.Text(), answer);
  EXPECT_TRUE(links2.text2.Text().starts_with(held));
  EXPECT_EQ(outcomes, std::vector<std::string>{"> EW " + a + "," + b + "\r\n" + answer});
  EXPECT_EQ(busctl({"get-property", "dde.WNORB16", "/frmCmd", "dde.Items", "txtOutcome"}).output,
            BusctlString("> EW " + a + "," + b + "\r\n" + answer));

  engine.Kill();
  const std::string log = Contents(tmp_ / "WNORB.LOG");
  std::size_t logged = 0;
  for (std::size_t at = 0; (at = log.find(" > T ", at)) != std::string::npos; ++at) ++logged;
  EXPECT_EQ(logged, 10u) << log;
  EXPECT_NE(log.find(" > EW " + a + "," + b + "\n1 of 2 files extracted\n"), std::string::npos) << log;
}

// Anyone on the bus can drive the engine, without the add-in. Each run of busctl is a client of
// its own, so a program that wants the answer reads it on the connection that sent the command.
TEST_F(EngineTest, OtherProgramsDriveTheEngine) {
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
    call = busctl({"call", "dde.WNORB16", "/frmMain", "dde.Topic", "Execute", "s", "CONFIG"});
    if (call.exit_code == 0) break;
    std::this_thread::sleep_for(100ms);
  }
  ASSERT_EQ(call.exit_code, 0) << call.output;
  auto outcome = busctl({"get-property", "dde.WNORB16", "/frmCmd", "dde.Items", "txtOutcome"});
  EXPECT_TRUE(outcome.output.starts_with("s \"> CONFIG\\r\\nConfiguration read from ")) << outcome.output;

  // The documented one-liner: execute and read on one connection.
  ChildProcess python(
      {"env", "DBUS_SESSION_BUS_ADDRESS=" + bus.Address(), "/usr/bin/python3", "-c",
       "import dbus, sys\n"
       "bus = dbus.SessionBus()\n"
       "bus.get_object('dde.WNORB16', '/frmMain').Execute(sys.argv[1], dbus_interface='dde.Topic')\n"
       "print(bus.get_object('dde.WNORB16', '/frmCmd').Get('dde.Items', 'txtStatus',\n"
       "      dbus_interface='org.freedesktop.DBus.Properties'), end='')\n",
       "T " + Short("B.BAS")});
  EXPECT_EQ(python.Finish(10s).output, Short("B.BAS") + " is not checked out\r\n");
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
}  // namespace testing_support
