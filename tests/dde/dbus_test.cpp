// The add-in's two links over D-Bus against servers of ours, and a published application as
// anyone on the bus sees it (busctl talks to it; it will not share its name or publish names
// D-Bus cannot carry); each test on a private bus of its own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <regex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "dde/dbus_server.hpp"
#include "dde/dbus_transport.hpp"
#include "dde/private_bus.hpp"
#include "dde/text_box_link.hpp"
#include "tests/dde/child_process.hpp"
#include "tests/dde/link_contract.hpp"
#include "tests/dde/raised.hpp"
#include "tests/dde/session_bus_at.hpp"

namespace {

using namespace std::chrono_literals;
using namespace testing_support;
using Strings = std::vector<std::string>;

// The test engine published on the bus at `address` and served by Run on a thread of its own.
class ServerThread final : public EngineServer {
 public:
  explicit ServerThread(const std::string& address) : server_(engine_, address) { Start(); }
  ~ServerThread() override { Halt(); }
  // While the server is halted, as the engine does between executes.
  void Do(const std::function<void(dde::ServerApplication&)>& work) override {
    Halt();
    work(*engine_);
    Start();
  }

 private:
  void Start() {
    thread_ = std::thread([this] { server_.Run(); });
  }
  void Halt() {
    server_.Stop();
    thread_.join();
  }
  std::shared_ptr<dde::ServerApplication> engine_ = MakeTestEngine();
  dde::DbusServer server_;
  std::thread thread_;
};

// The add-in's two links on its hidden form: commands to frmMain, the status from frmCmd.
struct Links {
  dde::TextBoxLink command, status;
  explicit Links(dde::Transport& transport)
      : command(transport, "frmDDE", "Text1"), status(transport, "frmDDE", "Text2") {
    command.SetLinkTopic("WNORB16|frmMain");
    status.SetLinkTopic("WNORB16|frmCmd");
    status.SetLinkItem("txtStatus");
  }
  void Connect() {
    command.SetLinkMode(dde::vbLinkManual);
    status.SetLinkMode(dde::vbLinkAutomatic);
  }
};

class DbusLink : public testing::Test {
 protected:
  dde::PrivateBus bus_;
  dde::DbusTransport transport_{bus_.Address()};
};

// The link contract (tests/dde/link_contract.hpp) over a server's direct connection, and over
// the bus alone, as with a server that offers no direct connection.
class DbusCarrier : public DbusLink, public testing::WithParamInterface<bool> {};
INSTANTIATE_TEST_SUITE_P(Carriers, DbusCarrier, testing::Bool(),
                         [](const auto& p) { return p.param ? "Direct" : "Bus"; });

TEST_P(DbusCarrier, KeepsTheLinkContract) {
  CheckLinkContract({[&](std::function<void(std::string_view)> on_await) {
                       auto transport = std::make_unique<dde::DbusTransport>(bus_.Address());
                       transport->SetDirect(GetParam());
                       transport->SetCallTimeout(200ms);
                       transport->OnAwait(std::move(on_await));
                       return transport;
                     },
                     [&] { return std::make_unique<ServerThread>(bus_.Address()); }, dde::kServerStartWait});
}

// A new server under the name of one that left is another partner: the old conversations stay
// dead until the links initiate anew. One killed in the middle of an execute quits them: an
// error, never a hang. That one is of another D-Bus library:
// python3-dbus offers no Properties interface unless its author writes one, and answers "no such
// method" for an object path it does not export.
TEST_F(DbusLink, AServerThatGoesQuitsItsConversationsAndOneOfAnotherLibraryServesTheLinks) {
  auto engine = std::make_unique<ServerThread>(bus_.Address());
  Links links(transport_);
  links.Connect();
  engine.reset();
  ChildProcess server({PYTHON3, PYTHON_TOPIC_SERVER, bus_.Address()});
  ASSERT_EQ(server.ReadLine(20s), "serving");
  EXPECT_EQ(RaisedBy([&] { links.command.LinkExecute("CONFIG"); }), kQuit);
  EXPECT_EQ(links.status.Text(), "Ready");
  links.Connect();
  EXPECT_EQ(RaisedBy([&] { links.command.LinkExecute("NO WAY"); }), kRefused);
  EXPECT_EQ(links.status.Text(), "refused NO WAY");
  links.command.LinkExecute("CONFIG");
  EXPECT_EQ(links.status.Text(), "done CONFIG");
  // Topics decided by their Execute alone: one whose library routes calls by signature is there
  // too; an object that is no topic, and a path the server does not export, are not.
  EXPECT_EQ(RaisedBy([&] { transport_.Initiate("WNORB16", "frmSig"); }), kNothing);
  EXPECT_EQ(RaisedBy([&] { transport_.Initiate("WNORB16", "frmOther"); }), kNoResponse);
  EXPECT_EQ(RaisedBy([&] { transport_.Initiate("WNORB16", "frmNone"); }), kNoResponse);

  // A bound for a failure of the transport to notice the death, far above what it needs.
  transport_.SetCallTimeout(20s);
  std::thread killer([&] {
    EXPECT_EQ(server.ReadLine(10s), "hanging");
    server.Kill();
  });
  const auto raised = RaisedBy([&] { links.command.LinkExecute("HANG"); });
  killer.join();
  EXPECT_EQ(raised, kQuit);
  EXPECT_EQ(links.status.Text(), "done CONFIG");
}

// A server of ours is reached directly: with the bus daemon stopped, the links still execute and
// read their answers, and a server killed in the middle of an execute quits them (291) without
// the bus's word.
TEST_F(DbusLink, OurServerIsReachedDirectlyAndItsDeathQuitsTheLinksWithoutTheBus) {
  int told[2];
  ASSERT_EQ(::pipe(told), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    auto engine = MakeTestEngine();
    dde::ServerTopic& cmd = *engine->FindTopic("frmCmd");
    engine->FindTopic("frmMain")->SetExecuteHandler([&](std::string_view command) {
      if (command == "HANG") {
        [[maybe_unused]] auto said = ::write(told[1], "h", 1);
        ::pause();
      }
      cmd.SetItem("txtStatus", "done " + std::string(command));
      return true;
    });
    dde::DbusServer server(engine, bus_.Address());
    [[maybe_unused]] auto said = ::write(told[1], "s", 1);
    server.Run();
    ::_exit(0);
  }
  // However the test ends, the server is gone and the daemon runs.
  std::shared_ptr<void> cleanup(nullptr, [&](void*) {
    ::kill(child, SIGKILL);
    ::kill(bus_.Pid(), SIGCONT);
    ::waitpid(child, nullptr, 0);
    ::close(told[0]);
    ::close(told[1]);
  });
  auto heard = [&](char what) {
    pollfd fd{told[0], POLLIN, 0};
    char got = 0;
    return ::poll(&fd, 1, 20000) == 1 && ::read(told[0], &got, 1) == 1 && got == what;
  };
  ASSERT_TRUE(heard('s'));
  Links links(transport_);
  links.Connect();
  // Were the bus in the way, these would fail for lack of an answer instead.
  transport_.SetCallTimeout(5s);
  ::kill(bus_.Pid(), SIGSTOP);
  links.command.LinkExecute("T direct");
  EXPECT_EQ(links.status.Text(), "done T direct");
  std::thread killer([&] {
    EXPECT_TRUE(heard('h'));
    ::kill(child, SIGKILL);
  });
  EXPECT_EQ(RaisedBy([&] { links.command.LinkExecute("HANG"); }), kQuit);
  killer.join();
  EXPECT_EQ(RaisedBy([&] { links.command.LinkExecute("T again"); }), kQuit);
  EXPECT_EQ(links.status.Text(), "done T direct");
}

// A command that waits for something slow lets the server read on: another client's command the
// topic can run beside it is answered at once, over the bus as over a direct connection, while
// any other waits its turn behind the command in hand.
TEST(DbusServer, ACommandThatWaitsLetsOthersBeAnsweredBesideItAndTheRestWaitTheirTurn) {
  dde::PrivateBus bus;
  auto app = MakeTestEngine();  // frmMain's handlers made anew below
  dde::ServerTopic &main = *app->FindTopic("frmMain"), &cmd = *app->FindTopic("frmCmd");
  dde::DbusServer server(app, bus.Address());
  std::atomic<bool> in_hand = false;
  Strings ran;  // on the server's thread
  int quick = 0;
  // WAIT serves beside it until two QUICKs came, or 5 s.
  main.SetExecuteHandler([&](std::string_view command) {
    if (command == "WAIT") {
      in_hand = true;
      for (auto until = std::chrono::steady_clock::now() + 5s;
           quick < 2 && std::chrono::steady_clock::now() < until;) {
        server.ServeBeside();
        std::this_thread::sleep_for(1ms);
      }
    }
    ran.emplace_back(command);
    cmd.SetItem("txtStatus", "done " + std::string(command));
    return true;
  });
  main.SetBesideHandler([&](std::string_view command) {
    if (command != "QUICK") return false;
    ran.emplace_back("QUICK beside");
    cmd.SetItem("txtStatus", "quick " + std::to_string(++quick));
    return true;
  });
  std::thread serving([&] { server.Run(); });
  dde::DbusTransport waiting(bus.Address()), direct(bus.Address()), bus_only(bus.Address()),
      later(bus.Address());
  bus_only.SetDirect(false);
  Links waiter(waiting), direct_links(direct), bus_links(bus_only), later_links(later);
  for (Links* links : {&waiter, &direct_links, &bus_links, &later_links}) links->Connect();

  std::thread waits([&] { waiter.command.LinkExecute("WAIT"); });
  ASSERT_TRUE(Eventually(nullptr, [&] { return in_hand.load(); }));
  std::thread queued([&] { later_links.command.LinkExecute("T later"); });
  direct_links.command.LinkExecute("QUICK");
  EXPECT_EQ(direct_links.status.Text(), "quick 1");
  bus_links.command.LinkExecute("QUICK");
  EXPECT_EQ(bus_links.status.Text(), "quick 2");
  waits.join();
  queued.join();
  server.Stop();
  serving.join();
  EXPECT_EQ(waiter.status.Text(), "done WAIT");
  EXPECT_EQ(later_links.status.Text(), "done T later");
  EXPECT_EQ(ran, (Strings{"QUICK beside", "QUICK beside", "WAIT", "T later"}));
}

// A client that asks and asks over its direct connection and never reads the answers: once they
// wait unread past twice its share it is closed, said once with the bytes that waited, and
// another client is served throughout.
TEST(DbusServer, ADirectClientThatLeavesItsOwnAnswersUnreadIsClosedAtTwiceItsShare) {
  dde::PrivateBus bus;
  dde::ServerLimits limits;
  limits.unread = 40000;
  std::mutex noted;
  Strings notes;
  dde::DbusServer server(MakeTestEngine(), bus.Address(), limits, [&](const std::string& text) {
    std::lock_guard lock(noted);
    notes.push_back(text);
  });
  std::thread serving([&] { server.Run(); });
  std::shared_ptr<void> stop(nullptr, [&](void*) {
    server.Stop();
    serving.join();
  });
  auto said = [&] {
    std::lock_guard lock(noted);
    return notes;
  };
  // A client of sd-bus's own, over the bus, then over the direct connection the server hands it.
  sd_bus *via_bus = nullptr, *direct = nullptr;
  sd_bus_message* reply = nullptr;
  int handed = -1;
  ASSERT_TRUE(sd_bus_new(&via_bus) >= 0 && sd_bus_set_address(via_bus, bus.Address().c_str()) >= 0 &&
              sd_bus_set_bus_client(via_bus, 1) >= 0 && sd_bus_start(via_bus) >= 0);
  ASSERT_GE(sd_bus_call_method(via_bus, "dde.WNORB16", "/", "dde.Direct", "Connect", nullptr, &reply, ""), 0);
  ASSERT_TRUE(sd_bus_message_read(reply, "h", &handed) >= 0 && sd_bus_new(&direct) >= 0);
  std::shared_ptr<sd_bus> via_bus_owner(via_bus, sd_bus_flush_close_unref),
      direct_owner(direct, sd_bus_close_unref);
  const int fd = ::dup(handed);
  sd_bus_message_unref(reply);
  ASSERT_TRUE(sd_bus_set_fd(direct, fd, fd) >= 0 && sd_bus_start(direct) >= 0);

  dde::DbusTransport other(bus.Address());
  Links links(other);
  links.Connect();
  int sent = 0;
  for (bool open = true; open && sent < 20000 && said().empty();) {
    for (int i = 0; i < 50 && open; ++i, ++sent) {
      sd_bus_message* get = nullptr;
      uint64_t cookie = 0;  // without it sd-bus asks for no reply
      open = sd_bus_message_new_method_call(direct, &get, nullptr, "/frmCmd",
                                            "org.freedesktop.DBus.Properties", "Get") >= 0 &&
             sd_bus_message_append(get, "ss", "dde.Items", "txtStatus") >= 0 &&
             sd_bus_send(direct, get, &cookie) >= 0;
      sd_bus_message_unref(get);
    }
    open = open && sd_bus_flush(direct) >= 0;
    if (sent % 1000 == 0) {
      links.command.LinkExecute("T " + std::to_string(sent));
      EXPECT_EQ(links.status.Text(), "done T " + std::to_string(sent));
    }
  }
  ASSERT_TRUE(Eventually(nullptr, [&] { return !said().empty(); })) << sent << " calls sent";
  links.command.LinkExecute("T after");
  EXPECT_EQ(links.status.Text(), "done T after");
  const Strings notes_now = said();
  ASSERT_EQ(notes_now.size(), 1u);
  std::smatch bytes;
  ASSERT_TRUE(
      std::regex_match(notes_now[0], bytes,
                       std::regex("closed the direct connection of :[0-9.]+: its client left ([0-9,]+) "
                                  "bytes of its answers unread")))
      << notes_now[0];
  // Past twice the share by no more than the one answer that did not fit.
  const std::size_t left = std::stoul(std::regex_replace(bytes[1].str(), std::regex(","), ""));
  EXPECT_GT(left, 2 * limits.unread);
  EXPECT_LE(left, 2 * limits.unread + 512);
}

// One server per name, only names the bus can carry. The user's session bus, pointed elsewhere
// for the test: one that cannot be reached answers 282, and the next initiate tries again. Then
// busctl talks to the published application as anyone on the bus does; a private bus is private
// also from its other clients: none may read commands sent to another.
TEST(DbusServer, OneServerPerNameOnlyNamesTheBusCanCarryTheSessionBusIsTriedAgainAndBusctlTalksToIt) {
  dde::PrivateBus bus;
  auto descriptors = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
  const auto open = descriptors();
  auto first = std::make_unique<dde::DbusServer>(MakeTestEngine(), bus.Address());
  EXPECT_EQ(first->BusName(), "dde.WNORB16");
  EXPECT_THROW(dde::DbusServer(MakeTestEngine(), bus.Address()), dde::ApplicationRunning);
  // The name is free again once its server has gone, which leaves no descriptor behind, nor does
  // the one refused; a stop before the run makes it return at once.
  first.reset();
  EXPECT_EQ(descriptors(), open);
  first = std::make_unique<dde::DbusServer>(MakeTestEngine(), bus.Address());
  first->Stop();
  first->Run();
  auto named = [](std::string application, std::string topic, std::string item) {
    auto app = std::make_shared<dde::ServerApplication>(std::move(application));
    app->AddTopic(std::move(topic)).AddItem(std::move(item));
    return app;
  };
  for (const auto& app :
       {named("WN 16", "frmMain", "txtStatus"), named("16WN", "frmMain", "txtStatus"),
        named("WNORB16", "frm.Main", "txtStatus"), named("WNORB16", "frmMain", "txt-Status")}) {
    EXPECT_THROW(dde::DbusServer(app, bus.Address()), std::invalid_argument) << app->Name();
  }
  EXPECT_NO_THROW(dde::DbusServer(named("WN_16", "frm_Main", "txt_Status"), bus.Address()));
  // Started with its standard input closed, a server's poll set may be descriptor 0.
  const int input = ::dup(STDIN_FILENO);
  ::close(STDIN_FILENO);
  EXPECT_NO_THROW(dde::DbusServer(named("WN_0", "frmMain", "txtStatus"), bus.Address()));
  ::dup2(input, STDIN_FILENO);
  ::close(input);

  dde::DbusTransport session;
  {
    SessionBusAt nowhere("unix:path=/nonexistent/dde-test-bus");
    EXPECT_THROW(dde::DbusServer{MakeTestEngine()}, std::runtime_error);
    EXPECT_EQ(RaisedBy([&] { session.Initiate("WNORB16", "frmMain"); }), kNoResponse);
    EXPECT_EQ(RaisedBy([&] { session.Pump(); }), kNothing);
  }
  SessionBusAt private_bus(bus.Address());
  first.reset();
  ServerThread engine(bus.Address());
  EXPECT_EQ(RaisedBy([&] { session.Initiate("WNORB16", "frmMain"); }), kNothing);
  // The bus's names compare with case, and one it cannot carry is nobody's.
  for (const std::string name : {"wnorb16|frmMain", "WNORB16|FRMMAIN", "WNORB 16|frmMain", "|frmMain",
                                 "WNORB16|", "WNORB16|frm/Main"}) {
    const auto bar = name.find('|');
    EXPECT_EQ(RaisedBy([&] { session.Initiate(name.substr(0, bar), name.substr(bar + 1)); }), kNoResponse)
        << name;
  }

  ChildProcess listener(
      {PYTHON3, "-c",
       "import sys, dbus, dbus.mainloop.glib; from gi.repository import GLib\n"
       "dbus.mainloop.glib.DBusGMainLoop(set_as_default=True); bus = dbus.bus.BusConnection(sys.argv[1])\n"
       "bus.add_match_string(\"eavesdrop=true,type='method_call',interface='dde.Topic'\")\n"
       "heard, loop = [], GLib.MainLoop(); bus.add_message_filter(lambda c, m: "
       "heard.append(m.get_member()))\n"
       "print('listening', flush=True); GLib.timeout_add(1500, loop.quit); loop.run()\n"
       "print(heard.count('Execute'))\n",
       bus.Address()});
  ASSERT_EQ(listener.ReadLine(20s), "listening");
  // Its exit code, a blank, and what it wrote.
  auto busctl = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"busctl", "--address=" + bus.Address()});
    const auto got = ChildProcess(std::move(args)).Finish(10s);
    return std::to_string(got.exit_code) + " " + got.output;
  };
  EXPECT_EQ(busctl({"call", "dde.WNORB16", "/frmMain", "dde.Topic", "Execute", "s", "G2LOCKING"}), "0 ");
  // The answer went to that busctl; this one is another client and reads its own value.
  EXPECT_EQ(busctl({"get-property", "dde.WNORB16", "/frmCmd", "dde.Items", "txtStatus"}), "0 s \"Ready\"\n");
  EXPECT_THAT(busctl({"call", "dde.WNORB16", "/frmMain", "dde.Topic", "Execute", "s", "NO SUCH"}),
              testing::MatchesRegex("[1-9][0-9]* .*frmMain refused the command.*"));
  // Every topic is there to find, each with the execute method; only frmCmd has items.
  EXPECT_EQ(busctl({"tree", "--list", "dde.WNORB16"}), "0 /\n/frmCmd\n/frmMain\n");
  EXPECT_THAT(busctl({"introspect", "--xml-interface", "dde.WNORB16", "/frmMain"}),
              testing::AllOf(testing::HasSubstr("<method name=\"Execute\">"),
                             testing::Not(testing::HasSubstr("dde.Items"))));
  // Other libraries tell a refusal from a handler's failure by the error's name alone.
  EXPECT_EQ(
      ChildProcess({PYTHON3, "-c",
                    "import sys, dbus\n"
                    "topic = dbus.bus.BusConnection(sys.argv[1]).get_object('dde.WNORB16', '/frmMain')\n"
                    "for command in ('NO SUCH', 'THROW'):\n"
                    "  try: topic.Execute(command, dbus_interface='dde.Topic')\n"
                    "  except dbus.exceptions.DBusException as e: print(e.get_dbus_name())\n",
                    bus.Address()})
          .Finish(20s)
          .output,
      "dde.Error.Refused\ndde.Error.Failed\n");
  EXPECT_EQ(listener.Finish(20s).output, "0\n");
}

}  // namespace
