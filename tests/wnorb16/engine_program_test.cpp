// WNORB16.EXE as the add-in meets it: a separate process on the bus, linked through text boxes.
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

  ASSERT_EQ(busctl({"call", "dde.WNORB16", "/frmMain", "dde.Topic", "Execute", "s", "T " + Short("B.BAS")}).exit_code, 0);
  status = busctl({"get-property", "dde.WNORB16", "/frmCmd", "dde.Items", "txtStatus"});
  EXPECT_EQ(status.output, "s \"" + JsonEscaped(Short("B.BAS")) + " is not checked out\\r\\n\"\n");
  engine.Kill();
}

TEST_F(EngineTest, TheProgramRunsCommandsGivenOnItsCommandLine) {
  Archived("A.FRM", "a\n");
  ChildProcess run({WNORB16_EXE, "--ini", tmp_ / "WNORB.INI", "-c", "CD " + Short(""), "-c", "T A.FRM", "-c",
                    "-C A.FRM A.FRM", "-c", "ESW A.FRM"});
  ChildProcess::Result result = run.Finish(10s);
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output.substr(0, result.output.find("ERROR")),
            "OK\nA.FRM is not checked out\nNo differences\n");
  EXPECT_NE(result.output.find("ERROR: option S"), std::string::npos) << result.output;
}

}  // namespace
}  // namespace wnorb16::testing
