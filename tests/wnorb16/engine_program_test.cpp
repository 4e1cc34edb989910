// WNORB16.EXE as the add-in meets it: a separate process on the bus, linked through text boxes.
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "dde/dbus_transport.hpp"
#include "dde/private_bus.hpp"
#include "engine_fixture.hpp"
#include "tests/dde/child_process.hpp"

namespace testing_support {
namespace {

using namespace std::chrono_literals;

// Two IDEs of one user on one engine started without a terminal: each reads only its own
// answers. What changes files reaches everyone as an outcome, a lock query does not.
TEST_F(EngineTest, TheProgramServesEachClientItsOwnAnswersAndEveryoneTheOutcomes) {
  tmp_.Write("WNORB.INI", "[Engine]\r\nUserID=ann\r\n");
  Archived("A.BAS", "a\n");
  Archived("B.BAS", "b\n");
  Write("NONE.BAS", "n\n", 0444);
  LockAs("bob", "B.BAS");
  ASSERT_EQ(::chmod(Path("B.BAS").c_str(), 0444), 0);  // bob's copy is elsewhere
  dde::PrivateBus bus;
  const std::string ini = tmp_ / "WNORB.INI";
  ChildProcess engine({WNORB16_EXE, "--bus", bus.Address(), "--ini", ini});
  dde::DbusTransport ann1(bus.Address()), ann2(bus.Address());
  ann1.ServerLaunched();  // the engine above may still be taking its name
  ann2.ServerLaunched();
  AddinLinks links1(ann1), links2(ann2);
  auto status2 = ann2.Initiate("WNORB16", "frmCmd");
  std::vector<std::string> outcomes;
  status2->Advise("txtOutcome", [&](const std::string& text) { outcomes.push_back(text); });

  const std::string a = Short("A.BAS"), b = Short("B.BAS"), none = Short("NONE.BAS");
  const std::string held = b + " is checked out to someone else\r\n";
  for (int round = 0; round < 3; ++round) {
    links1.text1.LinkExecute("T " + a);
    links2.text1.LinkExecute("T " + b);
    EXPECT_EQ(links1.text2.Text(), a + " is not checked out\r\n");
    EXPECT_TRUE(links2.text2.Text().starts_with(held)) << links2.text2.Text();
  }
  ann2.Pump();
  EXPECT_TRUE(outcomes.empty()) << outcomes.front();

  // A check-out by the first IDE, refused for B: its answer is its own, its outcome everyone's.
  links1.text1.LinkExecute("EW " + a + "," + b + "," + none);
  ann2.Pump();
  const std::string answer = "1 of 3 files extracted\r\n" + a + ": revision 1.1 extracted and locked\r\n" +
                             b + ": checked out to bob; left alone\r\n" + none +
                             ": no archive; nothing done\r\n";
  EXPECT_EQ(links1.text2.Text(), answer);
  EXPECT_TRUE(links2.text2.Text().starts_with(held));
  EXPECT_EQ(outcomes, std::vector<std::string>{"> EW " + a + "," + b + "," + none + "\r\n" + answer});
  EXPECT_EQ(ChildProcess({WNORB16_EXE, "-L", "--bus", bus.Address(), "--ini", ini}).Finish(5s).exit_code, 0);

  engine.Kill();
  const std::string log = Contents(tmp_ / "WNORB.LOG");
  EXPECT_NE(log.find(" > T " + b + "\n" + held.substr(0, held.size() - 2) + "\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" > EW " + a + "," + b + "," + none + "\n1 of 3 files extracted\n"), std::string::npos);
}

// SIGHUP and SIGTERM that come while a check-in runs end the engine after it: the add-in gets its
// answer, the file is stored, and the engine ends as asked. RCS here is a wrapper that sends the
// signal to the engine as it starts the check-in.
TEST_F(EngineTest, AnEndSignalDuringACheckInEndsTheEngineAfterIt) {
  tmp_.Write("WNORB.INI", "[Engine]\r\nUserID=ann\r\n");
  std::string rcs;
  for (std::string_view path = std::getenv("PATH"); rcs.empty() && !path.empty();) {
    const std::string folder(path.substr(0, path.find(':')));
    if (::access((folder + "/rcs").c_str(), X_OK) == 0) rcs = folder + "/rcs";
    path.remove_prefix(std::min(path.size(), folder.size() + 1));
  }
  ASSERT_FALSE(rcs.empty());
  for (const char* signal_name : {"HUP", "TERM"}) {
    SCOPED_TRACE(signal_name);
    std::filesystem::remove(tmp_ / "WNORB.LOG");
    tmp_.Write("bin/rcs",
               "#!/bin/sh\n[ \"$1\" = ci ] && kill -" + std::string(signal_name) + " $PPID\nexec " + rcs +
                   " \"$@\"\n",
               0755);
    Archived("A.BAS", "a\n");
    Rcs("co", {"-l", Archive("A.BAS"), Path("A.BAS")});
    Write("A.BAS", "edited\n");
    dde::PrivateBus bus;
    ChildProcess engine({"env", "PATH=" + tmp_ / "bin" + ":" + std::getenv("PATH"), WNORB16_EXE, "-L",
                         "--bus", bus.Address(), "--ini", tmp_ / "WNORB.INI"});
    {
      dde::DbusTransport transport(bus.Address());
      transport.SetCallTimeout(5s);
      transport.ServerLaunched();
      AddinLinks links(transport);
      links.text1.LinkExecute("UW " + Windows("A.BAS"));
      EXPECT_EQ(links.text2.Text(), "1 of 1 files updated\r\n" + Windows("A.BAS") +
                                        ": checked in as revision 2.1; work file read-only\r\n");
    }
    EXPECT_EQ(engine.Finish(5s).exit_code, 0);
    EXPECT_NE(Contents(tmp_ / "WNORB.LOG").find("ending: SIG" + std::string(signal_name) + " received"),
              std::string::npos)
        << Contents(tmp_ / "WNORB.LOG");
    EXPECT_TRUE(ReadOnly(Path("A.BAS")));
    EXPECT_NE(Contents(Archive("A.BAS")).find("@edited\n@"), std::string::npos);
    std::filesystem::remove(Archive("A.BAS"));
  }
}

// The interactive engine on a terminal: a command from the link never waits for the person, and
// neither do the questions of CONFIG typed at the terminal; the answers go into WNORB.INI.
TEST_F(EngineTest, TheInteractiveEngineServesTheLinkWithoutWaitingForItsTerminal) {
  tmp_.Write("WNORB.INI", "[Engine]\r\nUserID=ann\r\nArchives=RCS\r\n");
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
    type("CONFIG\n");
    std::this_thread::sleep_for(200ms);
    links.text1.LinkExecute("EW " + Windows("A.FRM"));
    EXPECT_EQ(links.text2.Text(),
              "1 of 1 files extracted\r\n" + Windows("A.FRM") + ": revision 1.1 extracted and locked\r\n");
    type("N\n\n-\n");
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
  EXPECT_NE(shown.find("Locking (Y/N) [Y]: "), std::string::npos) << shown;
  EXPECT_NE(shown.find("[link] EW "), std::string::npos) << shown;
  EXPECT_EQ(Contents(tmp_ / "WNORB.INI"), "[Engine]\r\nUserID=ann\r\nArchives=\r\nLocking=N\r\n");
}

}  // namespace
}  // namespace testing_support
