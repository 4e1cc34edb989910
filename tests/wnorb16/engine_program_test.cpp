// WNORB16.EXE as the add-in meets it: a separate process on the bus, linked through text boxes.
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>

#include <regex>
#include <thread>

#include "dde/dbus_transport.hpp"
#include "dde/private_bus.hpp"
#include "engine_fixture.hpp"
#include "tests/dde/child_process.hpp"
#include "tests/support/svn_server.hpp"

namespace testing_support {
namespace {

using namespace std::chrono_literals;

// A work file whose every line differs from its archived revision: a compare answers its size
// twice over.
std::pair<std::string, std::string> EveryLineChanged(int lines) {
  std::string archived, now;
  for (int i = 0; i < lines; ++i) {
    archived += "Private Sub Old" + std::to_string(i) + "()\n";
    now += "Private Sub New" + std::to_string(i) + "()\n";
  }
  return {archived, now};
}

// How many lines of `text` match `pattern`.
std::size_t LinesMatching(const std::string& text, const std::string& pattern) {
  const std::regex line(pattern);
  std::size_t n = 0;
  for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
    n += std::regex_search(text.substr(at, end - at), line);
  }
  return n;
}

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
  // The queries' log lines reach the disk once the engine is idle, all six, in the order asked.
  const std::string queried = " > T " + a + "\n" + a + " is not checked out\n";
  std::string log_so_far;
  for (int wait = 0; wait < 500 && LinesMatching(log_so_far, " > T ") < 6; ++wait) {
    std::this_thread::sleep_for(20ms);
    log_so_far = Contents(tmp_ / "WNORB.LOG");
  }
  EXPECT_EQ(LinesMatching(log_so_far, " > T "), 6u) << log_so_far;
  EXPECT_LT(log_so_far.find(queried), log_so_far.find(" > T " + b + "\n")) << log_so_far;

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

// A Subversion server that hangs while one IDE's lock query asks it: another IDE's G2LOCKING,
// which needs no repository, is answered while the query still waits, not after the engine gave
// up on the repository (RepositoryTimeout); the pass that follows answers from the working copy,
// and everyone hears of it once.
TEST_F(EngineTest, AHungRepositoryHoldsUpNoOtherClientAndIsAnnouncedOncePerPass) {
  SvnServer server(tmp_);
  server.CheckOut("ann", "ann");
  const std::string files[] = {"ann/FORM1.FRM", "ann/mods/MODULE1.BAS", "ann/cls/CLASS1.CLS"};
  std::string all;
  for (const auto& file : files) {
    tmp_.Write(file, "Attribute VB_Name = \"X\"\r\n");
    all += (all.empty() ? "" : ",") + tmp_.Windows(file);
  }
  tmp_.Write("WNORB.INI", "[Engine]\r\nUserID=ann\r\nStore=svn\r\nRepositoryTimeout=3\r\nConfigDir=" +
                              server.ConfigDir("ann") + "\r\n");
  dde::PrivateBus bus;
  ChildProcess engine({WNORB16_EXE, "--bus", bus.Address(), "--ini", tmp_ / "WNORB.INI"});
  dde::DbusTransport ide1(bus.Address()), ide2(bus.Address());
  for (dde::DbusTransport* ide : {&ide1, &ide2}) {
    ide->SetCallTimeout(10s);  // a hang fails the test, sooner than the add-in's 25 s
    ide->ServerLaunched();
  }
  AddinLinks links1(ide1), links2(ide2);
  links1.text1.LinkExecute("UW " + all);
  ASSERT_TRUE(links1.text2.Text().starts_with("3 of 3 files updated")) << links1.text2.Text();
  auto status2 = ide2.Initiate("WNORB16", "frmCmd");
  std::vector<std::string> outcomes;
  status2->Advise("txtOutcome", [&](const std::string& text) { outcomes.push_back(text); });
  ide2.Pump();
  outcomes.clear();  // the check-in's

  server.Pause();
  std::string first;
  std::thread pass([&] {
    try {
      links1.text1.LinkExecute("T " + tmp_.Windows(files[0]));
      first = links1.text2.Text();
    } catch (const std::exception& e) {
      first = e.what();
    }
  });
  std::this_thread::sleep_for(300ms);  // the lock query is waiting for the repository
  std::string mode;
  const auto asked = std::chrono::steady_clock::now();
  try {
    links2.text1.LinkExecute("G2LOCKING");
    mode = links2.text2.Text();
  } catch (const std::exception& e) {
    mode = e.what();
  }
  const auto waited = std::chrono::steady_clock::now() - asked;
  pass.join();
  EXPECT_EQ(mode, "Y");
  // Generous: the engine's thread is free for it within a fiftieth of a second.
  EXPECT_LT(waited, 1500ms) << "G2LOCKING waited for the hung request";
  const std::string why = "(offline: the repository " + server.url() + " did not answer within 3 s";
  EXPECT_EQ(first, tmp_.Windows(files[0]) + " is not checked out\r\n" + why +
                       " (RepositoryTimeout); answered from the working copy)\r\n");
  for (const auto& file : {files[1], files[2]}) {
    links1.text1.LinkExecute("T " + tmp_.Windows(file));
    EXPECT_EQ(links1.text2.Text(),
              tmp_.Windows(file) + " is not checked out\r\n(offline: from the working copy)\r\n");
  }
  ide2.Pump();
  ASSERT_EQ(outcomes.size(), 1u) << outcomes.back();
  EXPECT_EQ(outcomes[0], "> T " + tmp_.Windows(files[0]) + "\r\n" + first);
  // The request still hangs on its own thread; it does not keep the engine from ending.
  ::kill(engine.pid(), SIGTERM);
  const ChildProcess::Result ended = engine.Finish(5s);
  EXPECT_EQ(ended.exit_code, 0) << ended.output;
}

// SIGHUP and SIGTERM that come while a check-in runs end the engine after it: the add-in gets its
// answer, the file is stored, and the engine ends as asked. RCS here is a wrapper that sends the
// signal to the engine as it starts the check-in, then runs the RCS that its PATH, without its own
// folder, names.
TEST_F(EngineTest, AnEndSignalDuringACheckInEndsTheEngineAfterIt) {
  tmp_.Write("WNORB.INI", "[Engine]\r\nUserID=ann\r\n");
  for (const char* signal_name : {"HUP", "TERM"}) {
    SCOPED_TRACE(signal_name);
    std::filesystem::remove(tmp_ / "WNORB.LOG");
    tmp_.Write("bin/rcs",
               "#!/bin/sh\n[ \"$1\" = ci ] && kill -" + std::string(signal_name) +
                   " $PPID\nPATH=${PATH#*:}\nexec rcs \"$@\"\n",
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
  // The settings asked one after the other, each with its value now.
  const std::size_t locking = shown.find("  Locking (Y/N) [Y]: "), user = shown.find("  UserID [ann]: "),
                    archives = shown.find("  Archives [");
  EXPECT_TRUE(locking < user && user < archives && archives != std::string::npos) << shown;
  EXPECT_NE(shown.find("[link] EW "), std::string::npos) << shown;
  EXPECT_EQ(Contents(tmp_ / "WNORB.INI"), "[Engine]\r\nUserID=ann\r\nArchives=\r\nLocking=N\r\n");
}

// Started with standard input, output and error closed, the engine's words go nowhere, never into
// the files it opens first (here its log, which took stderr's number).
TEST_F(EngineTest, StartedWithoutStandardFilesItWritesNothingIntoItsOwn) {
  tmp_.Write("WNORB.INI", "[Engine]\nUserID=ann\n");
  const std::string ini = tmp_ / "WNORB.INI";
  const pid_t engine = fork();
  ASSERT_GE(engine, 0);
  if (engine == 0) {
    for (int fd = 0; fd <= 2; ++fd) close(fd);
    // sd-bus keeps the connection it could not open to the end (a leak the sanitizer would report);
    // what is checked here is where the engine's words go.
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    execl(WNORB16_EXE, WNORB16_EXE, "-L", "--bus", "unix:path=/nonexistent/bus", "--ini", ini.c_str(),
          nullptr);
    _exit(127);
  }
  int status = 0;
  ASSERT_EQ(waitpid(engine, &status, 0), engine);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  const std::string log = Contents(tmp_ / "WNORB.LOG");
  EXPECT_NE(log.find(" ending: cannot reach the D-Bus bus at unix:path=/nonexistent/bus: "),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("WNORB16.EXE: "), std::string::npos) << log;
}

// One client takes every direct connection it can and keeps them, with the engine's descriptors
// few: it gets as many as one client may, the engine keeps as many as it allows in all, or none
// when its descriptors run short, and another client checks out over the bus all the same.
TEST_F(EngineTest, AClientHoardingDirectConnectionsLeavesTheEngineItsDescriptors) {
  struct Case {
    std::string limits;
    std::string hoarded;  // per bus connection of the hoarder
    std::string said;
    std::string file;
  };
  for (const Case& c :
       {Case{"DirectInAll=6\r\nDescriptorReserve=16", "2 2 1 0 0 0 0 0 0 0",
             "it has 2 already, the most one client may have", "A.BAS"},
        Case{"DescriptorReserve=40", "0 0 0 0 0 0 0 0 0 0", "would be left for its own work", "B.BAS"}}) {
    SCOPED_TRACE(c.limits);
    tmp_.Write("WNORB.INI", "[Engine]\r\nUserID=ann\r\n[Limits]\r\n" + c.limits + "\r\n");
    std::filesystem::remove(tmp_ / "WNORB.LOG");
    Archived(c.file, "a\n");
    dde::PrivateBus bus;
    ChildProcess engine(
        {"prlimit", "--nofile=48", WNORB16_EXE, "--bus", bus.Address(), "--ini", tmp_ / "WNORB.INI"});
    dde::DbusTransport first(bus.Address());
    first.ServerLaunched();
    AddinLinks first_links(first);
    ChildProcess hoarder(
        {PYTHON3, "-c",
         "import sys, dbus, time\n"
         "keep, counts = [], []\n"
         "for n in range(10):\n"
         "  bus = dbus.bus.BusConnection(sys.argv[1]); keep.append(bus); got = 0\n"
         "  for i in range(20):\n"
         "    try:\n"
         "      keep.append(bus.get_object('dde.WNORB16', '/').Connect(dbus_interface='dde.Direct'))\n"
         "      got += 1\n"
         "    except dbus.exceptions.DBusException: pass\n"
         "  counts.append(got)\n"
         "print(*counts, flush=True); time.sleep(60)\n",
         bus.Address()});
    EXPECT_EQ(hoarder.ReadLine(30s), c.hoarded);
    dde::DbusTransport second(bus.Address());
    AddinLinks links(second);
    links.text1.LinkExecute("EW " + Short(c.file));
    EXPECT_EQ(links.text2.Text(),
              "1 of 1 files extracted\r\n" + Short(c.file) + ": revision 1.1 extracted and locked\r\n");
    first_links.text1.LinkExecute("G2LOCKING");
    EXPECT_EQ(first_links.text2.Text(), "Y");
    engine.Kill();
    EXPECT_THAT(Contents(tmp_ / "WNORB.LOG"), testing::HasSubstr(c.said));
  }
}

// Answers longer than the bus carries (its limit lowered to 64 KiB, the engine's to 16 KiB): a
// compare by a client with a direct connection, whose outcome goes to everyone over the bus, and
// a history over the bus alone. Each is cut at a line's end with a line saying so; the engine
// serves on. Clients that take more than their share of a direct connection are cut off, and
// another client is served throughout. Messages that never end: one longer than the engine takes
// is closed as it arrives, one left unfinished after the time allowed (over the bus the daemon
// keeps its own limit). Then one client stops reading while another compares and compares: the
// outcomes queue for it only up to its share, then it is left out of them, and said so once; its
// own next command is answered, and the other's too.
TEST_F(EngineTest, ALongAnswerIsCutAndAClientThatSendsTooMuchOrStopsReadingIsCutOff) {
  tmp_.Write("WNORB.INI",
             "[Engine]\r\nUserID=ann\r\n[Limits]\r\nMaxAnswer=16384\r\nMaxUnread=40000\r\n"
             "MaxMessage=65536\r\nMessageSeconds=1\r\n");
  const auto [archived, now] = EveryLineChanged(3000);
  Archived("BIG.BAS", archived);
  Write("BIG.BAS", now);
  Write("LOG.BAS", "a\n");
  Rcs("ci", {"-u", "-i", "-t-test", "-m" + std::string(100000, 'x'), Archive("LOG.BAS"), Path("LOG.BAS")});
  const std::string big = Short("BIG.BAS"), history = Short("LOG.BAS");
  dde::PrivateBus bus(64 * 1024);
  ChildProcess engine({WNORB16_EXE, "--bus", bus.Address(), "--ini", tmp_ / "WNORB.INI"});
  dde::DbusTransport idle(bus.Address()), busy(bus.Address());
  idle.ServerLaunched();
  busy.ServerLaunched();
  AddinLinks idle_links(idle), busy_links(busy);
  {
    dde::DbusTransport bob(bus.Address());
    bob.SetDirect(false);
    AddinLinks over_bus(bob);
    const std::string cut =
        "ANSWER CUT: it is [0-9,]+ bytes long; the link carries at most 16,384\\. The whole answer is in "
        "WNORB\\.LOG\\.";
    for (auto [links, command] :
         {std::pair{&busy_links, "-C " + big + " " + big}, std::pair{&over_bus, "L " + history}}) {
      links->text1.LinkExecute(command);
      const std::string answer = links->text2.Text();
      const std::vector<std::string> lines = StatusLines(answer);
      ASSERT_GT(lines.size(), 2u) << command;
      EXPECT_THAT(lines.back(), testing::MatchesRegex(cut)) << command;
      // Where within the limit it is cut is the cut's own rule (LinkLimits); here, that it is made.
      EXPECT_LE(answer.size(), 16384u) << command;
    }
    EXPECT_EQ(busy_links.text2.Text().substr(0, 4), "--- ");
    EXPECT_EQ(StatusLines(over_bus.text2.Text())[0], "History of " + history);
    EXPECT_THAT(StatusLines(over_bus.text2.Text())[2], testing::StartsWith("1.1       "));
    over_bus.text1.LinkExecute("G2LOCKING");
    EXPECT_EQ(over_bus.text2.Text(), "Y");
  }
  // Speaks the connection's first words itself, then sends the start of a method call.
  ChildProcess sender(
      {PYTHON3, "-c",
       "import sys, os, socket, struct, dbus\n"
       "bus = dbus.bus.BusConnection(sys.argv[1])\n"
       "for name, body, sent in (('long', 10 << 20, 200 << 10), ('slow', 4096, 2048)):\n"
       "  s = socket.socket(fileno=bus.get_object('dde.WNORB16', "
       "'/').Connect(dbus_interface='dde.Direct').take())\n"
       "  s.settimeout(20)\n"
       "  s.sendall(b'\\0AUTH EXTERNAL ' + str(os.getuid()).encode().hex().encode() + b'\\r\\n')\n"
       "  line = b''\n"
       "  while not line.endswith(b'\\r\\n'): line += s.recv(1)\n"
       "  s.sendall(b'BEGIN\\r\\n')\n"
       "  try:\n"
       "    s.sendall(struct.pack('<cBBBIII', b'l', 1, 0, 1, body, 1, 0) + b'x' * sent)\n"
       "    said = 'closed' if s.recv(1) == b'' else 'answered'\n"
       "  except TimeoutError: said = 'open'\n"
       "  except OSError: said = 'closed'\n"
       "  print(name, said, flush=True)\n",
       bus.Address()});
  for (const char* said : {"", "long closed", "slow closed"}) {
    EXPECT_EQ(*said ? sender.ReadLine(30s) : "", said);
    idle_links.text1.LinkExecute("G2LOCKING");
    EXPECT_EQ(idle_links.text2.Text(), "Y");
  }

  const std::string left_out =
      "left changes for everyone out for :[0-9.]+: [0-9,]+ bytes wait unread, and one client "
      "may have 40,000$";
  // The socket holds a few hundred KB before anything queues in the engine.
  for (int round = 0; round < 200 && Contents(tmp_ / "WNORB.LOG").find("left changes") == std::string::npos;
       ++round) {
    busy_links.text1.LinkExecute("-C " + big + " " + big);
    ASSERT_EQ(busy_links.text2.Text().substr(0, 4), "--- ");
  }
  for (int round = 0; round < 20; ++round) busy_links.text1.LinkExecute("-C " + big + " " + big);
  busy_links.text1.LinkExecute("G2LOCKING");
  EXPECT_EQ(busy_links.text2.Text(), "Y");
  idle_links.text1.LinkExecute("T " + big);
  EXPECT_EQ(idle_links.text2.Text(), big + " is not checked out\r\n");
  engine.Kill();
  const std::string log = Contents(tmp_ / "WNORB.LOG");
  EXPECT_EQ(LinesMatching(log, left_out), 1u);
  EXPECT_THAT(log, testing::HasSubstr(": its client sent more than the 65,536 bytes one message may hold\n"));
  EXPECT_THAT(log, testing::HasSubstr(": its client left a message unfinished for more than 1,000 ms\n"));
}

// Where the program finds WNORB.INI without --ini: the user's configuration folder first, then
// beside itself; with neither, beside itself when the user may write there (a build), else in the
// configuration folder, made for it (an installed program). CONFIG names the file it read.
TEST_F(EngineTest, TheProgramFindsItsSettingsInTheUsersConfigFolderThenBesideItself) {
  struct Case {
    std::string name;
    std::vector<std::string> inis;  // the settings files there are, below the test's folder
    std::string xdg;                // XDG_CONFIG_HOME below the folder; "" unset; "rel:" as written
    bool installed;                 // the program's folder is not the user's to write
    std::string file;               // the file CONFIG reads (one of them) or names, below the folder
  };
  const std::string config = "cfg/norbvb5/WNORB.INI", home = "home/.config/norbvb5/WNORB.INI",
                    beside = "bin/WNORB.INI";
  const std::vector<Case> cases = {
      {"both", {config, beside}, "cfg", false, config},
      {"config folder only", {config}, "cfg", false, config},
      {"beside only", {beside}, "cfg", false, beside},
      {"beside an installed program", {beside}, "cfg", true, beside},
      {"home's .config", {home, beside}, "", false, home},
      {"a relative XDG_CONFIG_HOME is not used", {config, home}, "rel:cfg", false, home},
      {"none, a build", {}, "cfg", false, beside},
      {"none, installed", {}, "cfg", true, config},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::TempFolder tmp;
    // The folder is every user's to pass, so that another user can run the program in it.
    ASSERT_EQ(::chmod(tmp.path().c_str(), 0755), 0);
    tmp.MakeDir("bin");
    std::filesystem::copy_file(WNORB16_EXE, tmp / "bin/WNORB16.EXE");
    tmp.MakeDir("cfg");
    tmp.MakeDir("home");
    for (const std::string& ini : c.inis) tmp.Write(ini, "[Engine]\r\nUserID=" + ini + "\r\n");
    std::vector<std::string> argv;
    if (c.installed && ::geteuid() == 0) {
      // Root may write anywhere: the program runs as nobody, for whom the folders it writes are open.
      ASSERT_EQ(::chmod((tmp / "cfg").c_str(), 0777), 0);
      ASSERT_EQ(::chmod((tmp / "home").c_str(), 0777), 0);
      argv = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    } else if (c.installed) {
      ASSERT_EQ(::chmod((tmp / "bin").c_str(), 0555), 0);
    }
    const std::string xdg = c.xdg.starts_with("rel:") ? c.xdg.substr(4) : c.xdg.empty() ? "" : tmp / c.xdg;
    argv.insert(argv.end(), {"env", "-u", "XDG_CONFIG_HOME", "HOME=" + (tmp / "home")});
    if (!xdg.empty()) argv.push_back("XDG_CONFIG_HOME=" + xdg);
    argv.insert(argv.end(), {tmp / "bin/WNORB16.EXE", "-c", "CONFIG"});
    ChildProcess::Result result = ChildProcess(argv).Finish(20s);
    ::chmod((tmp / "bin").c_str(), 0755);
    EXPECT_EQ(result.exit_code, 0);
    if (!c.inis.empty()) {
      EXPECT_THAT(result.output, ::testing::StartsWith("Configuration read from " + (tmp / c.file) +
                                                       ": Locking=Y, UserID=" + c.file + ","));
    } else {
      EXPECT_THAT(result.output, ::testing::StartsWith("No configuration at " + (tmp / c.file) + ","));
      // The folder the settings and the log would go into is there.
      EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(tmp / c.file).parent_path()));
    }
  }
}

}  // namespace
}  // namespace testing_support
