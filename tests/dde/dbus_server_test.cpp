// A published application as anyone on the bus sees it: busctl talks to it, and it will not
// share its name or publish names D-Bus cannot carry.
#include "dde/dbus_server.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "dde/private_bus.hpp"
#include "tests/dde/child_process.hpp"
#include "tests/dde/server_thread.hpp"
#include "tests/dde/session_bus_at.hpp"

namespace {

using namespace std::chrono_literals;

TEST(DbusServer, BusctlExecutesAndReadsItems) {
  dde::PrivateBus bus;
  testing_support::ServerThread engine(bus.Address());
  auto busctl = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"busctl", "--address=" + bus.Address()});
    return testing_support::ChildProcess(std::move(args)).Finish(10s);
  };
  const std::vector<std::string> status = {"get-property", "dde.WNORB16", "/frmCmd", "dde.Items",
                                           "txtStatus"};
  auto got = busctl(status);
  EXPECT_EQ(got.exit_code, 0) << got.output;
  EXPECT_EQ(got.output, "s \"Ready\"\n");

  got = busctl({"call", "dde.WNORB16", "/frmMain", "dde.Topic", "Execute", "s", "G2LOCKING"});
  EXPECT_EQ(got.exit_code, 0) << got.output;
  // The answer went to that busctl; this one is another client and reads its own value.
  EXPECT_EQ(busctl(status).output, "s \"Ready\"\n");
  got = busctl({"call", "dde.WNORB16", "/frmMain", "dde.Topic", "Execute", "s", "NO SUCH"});
  EXPECT_NE(got.exit_code, 0);
  EXPECT_NE(got.output.find("frmMain refused the command"), std::string::npos) << got.output;

  // Every topic is there to find, each with the execute method; only frmCmd has items.
  EXPECT_EQ(busctl({"tree", "--list", "dde.WNORB16"}).output, "/\n/frmCmd\n/frmMain\n");
  got = busctl({"introspect", "--xml-interface", "dde.WNORB16", "/frmMain"});
  EXPECT_NE(got.output.find("<method name=\"Execute\">"), std::string::npos) << got.output;
  EXPECT_EQ(got.output.find("dde.Items"), std::string::npos) << got.output;
}

TEST(DbusServer, OneServerPerNameAndOnlyNamesTheBusCanCarry) {
  dde::PrivateBus bus;
  auto first = std::make_unique<dde::DbusServer>(testing_support::MakeTestEngine(), bus.Address());
  EXPECT_EQ(first->BusName(), "dde.WNORB16");
  EXPECT_THROW(dde::DbusServer(testing_support::MakeTestEngine(), bus.Address()), dde::ApplicationRunning);
  // The name is free again once its server has gone; a stop before the run makes it return at once.
  first.reset();
  dde::DbusServer again(testing_support::MakeTestEngine(), bus.Address());
  again.Stop();
  again.Run();

  auto named = [](std::string application, std::string topic, std::string item) {
    auto app = std::make_shared<dde::ServerApplication>(std::move(application));
    app->AddTopic(std::move(topic)).AddItem(std::move(item));
    return app;
  };
  for (auto app : {named("WN 16", "frmMain", "txtStatus"), named("16WN", "frmMain", "txtStatus"),
                   named("WNORB16", "frm.Main", "txtStatus"), named("WNORB16", "frmMain", "txt-Status")}) {
    EXPECT_THROW(dde::DbusServer(app, bus.Address()), std::invalid_argument) << app->Name();
  }
  EXPECT_NO_THROW(dde::DbusServer(named("WN_16", "frm_Main", "txt_Status"), bus.Address()));
  testing_support::SessionBusAt nowhere("unix:path=/nonexistent/dde-test-bus");
  EXPECT_THROW(dde::DbusServer(testing_support::MakeTestEngine()), std::runtime_error);
}

}  // namespace
