// The add-in's two links over D-Bus against servers of ours, each test on a private bus.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "dde/dbus_server.hpp"
#include "dde/dbus_transport.hpp"
#include "dde/private_bus.hpp"
#include "dde/text_box_link.hpp"
#include "tests/dde/child_process.hpp"
#include "tests/dde/raised.hpp"
#include "tests/dde/server_thread.hpp"
#include "tests/dde/session_bus_at.hpp"
#include "tests/dde/test_engine.hpp"

namespace {

using namespace std::chrono_literals;
using testing_support::kNoChannel;
using testing_support::kNoResponse;
using testing_support::kNothing;
using testing_support::kQuit;
using testing_support::kRefused;
using testing_support::RaisedBy;

const testing_support::Raised kTimeout{286, "Timeout while waiting for DDE response"};

// The add-in's links on its hidden form: commands to frmMain, the status from frmCmd.
struct Links {
  dde::TextBoxLink command;
  dde::TextBoxLink status;

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

// Pumps until `done` holds; false when it does not within a few seconds.
bool Eventually(dde::Transport& transport, auto done) {
  for (auto until = std::chrono::steady_clock::now() + 5s; std::chrono::steady_clock::now() < until;) {
    transport.Pump();
    if (done()) return true;
    std::this_thread::sleep_for(1ms);
  }
  return false;
}

void SetStatus(dde::ServerApplication& engine, std::string text) {
  engine.FindTopic("frmCmd")->SetItem("txtStatus", std::move(text));
}

// A server on a thread or in a process of its own takes its name a little later, as a launched
// engine does; the transport is told of it as a host tells it of a launch.
class DbusLink : public testing::Test {
 protected:
  dde::PrivateBus bus_;
  dde::DbusTransport transport_{bus_.Address()};
};

TEST_F(DbusLink, AnExecutesStatusUpdatesHaveArrivedWhenItReturns) {
  testing_support::ServerThread engine(bus_.Address(), testing_support::MakeTestEngine);
  transport_.ServerLaunched();
  auto command = transport_.Initiate("WNORB16", "frmMain");
  auto status = transport_.Initiate("WNORB16", "frmCmd");
  std::vector<std::string> seen;
  EXPECT_EQ(status->Advise("txtStatus", [&](const std::string& v) { seen.push_back(v); }), "Ready");

  // No pump in between: Execute itself must have delivered both changes, in order.
  command->Execute("G2LOCKING");
  EXPECT_EQ(seen, (std::vector<std::string>{"Busy", "done G2LOCKING"}));
  EXPECT_EQ(status->Request("txtStatus"), "done G2LOCKING");

  // Also when refused, and for an execute on the status topic itself.
  seen.clear();
  EXPECT_EQ(RaisedBy([&] { command->Execute("NO WAY"); }), kRefused);
  EXPECT_EQ(seen, std::vector<std::string>{"refused NO WAY"});
  status->Execute("CONFIG");
  EXPECT_EQ(seen.back(), "done CONFIG");

  // A change between executes waits for a pump.
  seen.clear();
  engine.Do([](dde::ServerApplication& app) { SetStatus(app, "Idle"); });
  EXPECT_TRUE(Eventually(transport_, [&] { return !seen.empty(); }));
  EXPECT_EQ(seen, std::vector<std::string>{"Idle"});

  // A dropped conversation hears nothing more; the other keeps the server.
  status.reset();
  command->Execute("AFTER");
  EXPECT_EQ(seen, std::vector<std::string>{"Idle"});
}

TEST_F(DbusLink, TextBoxLinksReadTheAnswerRightAfterLinkExecute) {
  testing_support::ServerThread engine(bus_.Address(), testing_support::MakeTestEngine);
  transport_.ServerLaunched();
  Links links(transport_);
  EXPECT_EQ(RaisedBy([&] { links.command.LinkExecute("CONFIG"); }), kNoChannel);
  links.Connect();
  EXPECT_EQ(links.status.Text(), "Ready");

  links.command.LinkExecute("G2LOCKING");
  EXPECT_EQ(links.status.Text(), "done G2LOCKING");
  EXPECT_EQ(RaisedBy([&] { links.command.LinkExecute("NOT THIS"); }), kRefused);
  EXPECT_EQ(links.status.Text(), "refused NOT THIS");
  EXPECT_EQ(links.command.LinkMode(), dde::vbLinkManual);
  EXPECT_EQ(RaisedBy([&] { links.command.LinkExecute("THROW"); }), kRefused);
  // The bus would cut a command at a NUL and the engine act on another file: refused, never sent.
  EXPECT_EQ(RaisedBy([&] { links.command.LinkExecute(std::string("T frm\0Timesheet.frm", 20)); }), kRefused);
  EXPECT_EQ(links.status.Text(), "refused NOT THIS");

  engine.Do([](dde::ServerApplication& app) { SetStatus(app, "Idle"); });
  EXPECT_TRUE(Eventually(transport_, [&] { return links.status.Text() == "Idle"; }));

  // An item the topic lacks is refused.
  links.status.SetLinkItem("txtNone");
  EXPECT_EQ(RaisedBy([&] { links.status.SetLinkMode(dde::vbLinkAutomatic); }), kRefused);
  EXPECT_EQ(links.status.LinkMode(), dde::vbLinkNone);
}

// Two clients of one server: each is told and reads only its own answers; a change outside an
// execute is everyone's; a client that leaves the bus leaves nothing behind in the server.
TEST_F(DbusLink, EachClientHasItsOwnAnswers) {
  testing_support::ServerThread engine(bus_.Address(), testing_support::MakeTestEngine);
  auto other_transport = std::make_unique<dde::DbusTransport>(bus_.Address());
  transport_.ServerLaunched();
  other_transport->ServerLaunched();
  Links mine(transport_);
  auto other = std::make_unique<Links>(*other_transport);
  mine.Connect();
  other->Connect();
  auto my_status = transport_.Initiate("WNORB16", "frmCmd");

  for (int round = 0; round < 3; ++round) {
    mine.command.LinkExecute("T mine");
    other->command.LinkExecute("T other");
    EXPECT_EQ(mine.status.Text(), "done T mine");
    EXPECT_EQ(other->status.Text(), "done T other");
    EXPECT_EQ(my_status->Request("txtStatus"), "done T mine");
  }
  auto own_values = [&] {
    std::size_t n = 0;
    engine.Do(
        [&](dde::ServerApplication& app) { n = app.FindTopic("frmCmd")->FindItem("txtStatus")->own.size(); });
    return n;
  };
  EXPECT_EQ(own_values(), 2u);
  other.reset();
  other_transport.reset();
  bool forgotten = false;
  for (auto until = std::chrono::steady_clock::now() + 5s;
       !forgotten && std::chrono::steady_clock::now() < until;) {
    forgotten = own_values() == 1;
    std::this_thread::sleep_for(1ms);
  }
  EXPECT_TRUE(forgotten);

  engine.Do([](dde::ServerApplication& app) { SetStatus(app, "Idle"); });
  EXPECT_TRUE(Eventually(transport_, [&] { return mine.status.Text() == "Idle"; }));
  EXPECT_EQ(my_status->Request("txtStatus"), "Idle");
}

TEST_F(DbusLink, NamesWithoutAServerFindNone) {
  testing_support::ServerThread engine(bus_.Address(), testing_support::MakeTestEngine);
  engine.Do([](dde::ServerApplication&) {});
  // A topic the server lacks, another spelling of a name (the bus is case-sensitive), names
  // D-Bus cannot carry, an application nobody serves.
  for (auto [application, topic] : std::vector<std::pair<std::string, std::string>>{{"WNORB16", "frmNone"},
                                                                                    {"wnorb16", "frmMain"},
                                                                                    {"WNORB16", "FRMMAIN"},
                                                                                    {"WNORB 16", "frmMain"},
                                                                                    {"", "frmMain"},
                                                                                    {"WNORB16", ""},
                                                                                    {"WNORB16", "frm/Main"},
                                                                                    {"OTHER", "frmMain"}}) {
    EXPECT_EQ(RaisedBy([&] { transport_.Initiate(application, topic); }), kNoResponse)
        << application << '|' << topic;
  }
  EXPECT_EQ(RaisedBy([&] { transport_.Initiate("WNORB16", "frmMain"); }), kNothing);
}

TEST(DbusTransport, AnInitiateWaitsOnlyForALaunchedServer) {
  dde::PrivateBus bus;
  dde::DbusTransport transport(bus.Address());
  std::vector<std::string> awaited;
  std::unique_ptr<testing_support::ServerThread> engine;
  // The launched engine comes up only once a link waits for it: the launch race, every time.
  transport.OnAwait([&](std::string_view application) {
    awaited.emplace_back(application);
    if (application == "WNORB16" && !engine) {
      engine =
          std::make_unique<testing_support::ServerThread>(bus.Address(), testing_support::MakeTestEngine);
    }
  });
  Links links(transport);

  // Nothing launched: nothing to wait for.
  EXPECT_EQ(RaisedBy([&] { links.Connect(); }), kNoResponse);
  EXPECT_TRUE(awaited.empty());

  // Launched: the first link waits for it, the second finds it there.
  transport.ServerLaunched();
  links.Connect();
  links.command.LinkExecute("G2LOCKING");
  EXPECT_EQ(links.status.Text(), "done G2LOCKING");
  EXPECT_EQ(awaited, std::vector<std::string>{"WNORB16"});

  // A launch whose program never serves stalls the links after it once, not each: the wait
  // belongs to the launch.
  transport.ServerLaunched();
  EXPECT_EQ(RaisedBy([&] { transport.Initiate("OTHER", "frmMain"); }), kNoResponse);
  EXPECT_EQ(RaisedBy([&] { transport.Initiate("OTHER", "frmCmd"); }), kNoResponse);
  EXPECT_EQ(awaited, (std::vector<std::string>{"WNORB16", "OTHER"}));
}

// A server of another D-Bus library: python3-dbus offers no Properties interface unless its
// author writes one, and answers "no such method" for an object path it does not export.
TEST_F(DbusLink, AServerOfAnotherLibraryServesTheLinks) {
  testing_support::ChildProcess server({PYTHON3, PYTHON_TOPIC_SERVER, bus_.Address()});
  ASSERT_EQ(server.ReadLine(20s), "serving");
  Links links(transport_);
  links.Connect();
  EXPECT_EQ(links.status.Text(), "Ready");
  links.command.LinkExecute("G2LOCKING");
  EXPECT_EQ(links.status.Text(), "done G2LOCKING");
  EXPECT_EQ(RaisedBy([&] { links.command.LinkExecute("NO WAY"); }), kRefused);
  EXPECT_EQ(links.status.Text(), "refused NO WAY");

  // Topics decided by their Execute alone: one whose library routes calls by signature is there
  // too; an object that is no topic, and a path the server does not export, are not.
  for (auto [topic, raised] : std::vector<std::pair<std::string, testing_support::Raised>>{
           {"frmSig", kNothing}, {"frmOther", kNoResponse}, {"frmNone", kNoResponse}}) {
    EXPECT_EQ(RaisedBy([&] { transport_.Initiate("WNORB16", topic); }), raised) << topic;
  }
  links.command.SetLinkTopic("WNORB16|frmNone");
  EXPECT_EQ(RaisedBy([&] { links.command.SetLinkMode(dde::vbLinkManual); }), kNoResponse);
}

TEST_F(DbusLink, ASlowServerTimesOutAndItsLateAnswerStillArrives) {
  testing_support::ServerThread engine(bus_.Address(), testing_support::MakeTestEngine);
  transport_.ServerLaunched();
  Links links(transport_);
  links.Connect();
  transport_.SetCallTimeout(200ms);
  EXPECT_EQ(RaisedBy([&] { links.command.LinkExecute("SLEEP 600"); }), kTimeout);
  EXPECT_TRUE(Eventually(transport_, [&] { return links.status.Text() == "done SLEEP 600"; }));
  // The link survives its time-out.
  links.command.LinkExecute("NEXT");
  EXPECT_EQ(links.status.Text(), "done NEXT");
}

TEST_F(DbusLink, AServerThatLeavesQuitsItsConversations) {
  auto engine =
      std::make_unique<testing_support::ServerThread>(bus_.Address(), testing_support::MakeTestEngine);
  transport_.ServerLaunched();
  Links links(transport_);
  links.Connect();
  auto request = transport_.Initiate("WNORB16", "frmCmd");
  engine.reset();

  EXPECT_EQ(RaisedBy([&] { links.command.LinkExecute("CONFIG"); }), kQuit);
  EXPECT_EQ(RaisedBy([&] { request->Request("txtStatus"); }), kQuit);
  EXPECT_EQ(links.status.Text(), "Ready");

  // A new server under the same name is another partner: the old conversations stay dead until
  // the links initiate anew.
  engine = std::make_unique<testing_support::ServerThread>(bus_.Address(), testing_support::MakeTestEngine);
  engine->Do([](dde::ServerApplication&) {});
  EXPECT_EQ(RaisedBy([&] { links.command.LinkExecute("CONFIG"); }), kQuit);
  links.Connect();
  links.command.LinkExecute("CONFIG");
  EXPECT_EQ(links.status.Text(), "done CONFIG");
}

TEST_F(DbusLink, AServerKilledInTheMiddleOfAnExecuteGivesAnErrorNotAHang) {
  auto engine = std::make_unique<testing_support::ChildProcess>(
      std::vector<std::string>{DBUS_TEST_SERVER, bus_.Address()});
  transport_.ServerLaunched();
  Links links(transport_);
  links.Connect();
  // A bound for a failure of the transport to notice the death, far above what it needs.
  transport_.SetCallTimeout(20s);

  std::thread killer([&] {
    EXPECT_EQ(engine->ReadLine(10s), "serving");
    EXPECT_EQ(engine->ReadLine(10s), "hanging");
    engine->Kill();
  });
  const auto raised = RaisedBy([&] { links.command.LinkExecute("HANG"); });
  killer.join();
  EXPECT_EQ(raised, kQuit);
  EXPECT_EQ(links.status.Text(), "Ready");

  engine = std::make_unique<testing_support::ChildProcess>(
      std::vector<std::string>{DBUS_TEST_SERVER, bus_.Address()});
  transport_.ServerLaunched();
  links.Connect();
  links.command.LinkExecute("G2LOCKING");
  EXPECT_EQ(links.status.Text(), "done G2LOCKING");
}

// A private bus is private also from its other clients: none may read commands sent to another.
TEST_F(DbusLink, NoClientOfThePrivateBusOverhearsAnother) {
  testing_support::ServerThread engine(bus_.Address(), testing_support::MakeTestEngine);
  engine.Do([](dde::ServerApplication&) {});
  testing_support::ChildProcess listener(
      {PYTHON3, "-c",
       "import sys, dbus, dbus.mainloop.glib\n"
       "from gi.repository import GLib\n"
       "dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)\n"
       "bus = dbus.bus.BusConnection(sys.argv[1])\n"
       "heard = []\n"
       "bus.add_match_string(\"eavesdrop=true,type='method_call',interface='dde.Topic'\")\n"
       "bus.add_message_filter(lambda connection, message: heard.append(message.get_member()))\n"
       "print('listening', flush=True)\n"
       "loop = GLib.MainLoop()\n"
       "GLib.timeout_add(1500, loop.quit)\n"
       "loop.run()\n"
       "print(heard.count('Execute'))\n",
       bus_.Address()});
  ASSERT_EQ(listener.ReadLine(20s), "listening");
  Links links(transport_);
  links.Connect();
  links.command.LinkExecute("G2LOCKING");
  EXPECT_EQ(links.status.Text(), "done G2LOCKING");
  EXPECT_EQ(listener.Finish(20s).output, "0\n");
}

TEST(DbusTransport, ASessionBusThatCannotBeReachedAnswersNoResponse) {
  dde::PrivateBus bus;
  dde::DbusTransport transport;
  {
    testing_support::SessionBusAt nowhere("unix:path=/nonexistent/dde-test-bus");
    EXPECT_EQ(RaisedBy([&] { transport.Initiate("WNORB16", "frmMain"); }), kNoResponse);
    EXPECT_EQ(RaisedBy([&] { transport.Pump(); }), kNothing);
  }
  // It tries again at the next initiate.
  testing_support::SessionBusAt session(bus.Address());
  testing_support::ServerThread engine(bus.Address(), testing_support::MakeTestEngine);
  engine.Do([](dde::ServerApplication&) {});
  EXPECT_EQ(RaisedBy([&] { transport.Initiate("WNORB16", "frmMain"); }), kNothing);
}

}  // namespace
