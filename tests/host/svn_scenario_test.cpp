// vbhost and the add-in against the engine on a Subversion server: ann's IDE on her working copy,
// bob's engine on his, one svnserve on the loopback interface. The add-in does not know the store.
#include <gtest/gtest.h>

#include <memory>

#include "tests/host/scenario_fixture.hpp"
#include "tests/support/svn_server.hpp"

namespace {

using testing_support::Contents;
using testing_support::Shell;
using testing_support::With;
using Lines = std::vector<std::string>;

class SvnScenario : public testing_support::ScenarioFixture {
 protected:
  void SetUp() override {
    server = std::make_unique<testing_support::SvnServer>(tmp);
    // ann's project folder becomes her working copy; her engine's first check-in adds its files.
    server->CheckOut("ann", "App");
    engine = (std::filesystem::path(NORB_VBHOST).parent_path() / "WNORB16.EXE").string();
    std::filesystem::copy_file(engine, tmp / "bin/WNORB16.EXE",
                               std::filesystem::copy_options::overwrite_existing);
    WriteAnnsIni("");
    ASSERT_EQ(Engine(tmp / "bin/WNORB.INI",
                     "UW " + Names("App", {"Form1.frm", "Form1.frx", "Module1.bas", "Class1.cls"})),
              0);
    // bob has the form out.
    server->CheckOut("bob", "bob");
    tmp.Write("bob.ini", "[Engine]\nStore=svn\nUserID=bob\nConfigDir=" + server->ConfigDir("bob") + "\n");
    ASSERT_EQ(Engine(tmp / "bob.ini", "EW " + Names("bob", {"Form1.frm"})), 0);
  }

  void WriteAnnsIni(const std::string& more) {
    tmp.Write("bin/WNORB.INI", "[Engine]\r\nStore=svn\r\nUserID=ann\r\n" + more +
                                   "ConfigDir=" + server->ConfigDir("ann") + "\r\n");
  }
  std::string Names(const std::string& folder, const std::vector<std::string>& files) const {
    std::string names;
    for (const auto& file : files) names += (names.empty() ? "" : ",") + tmp.Windows(folder + "/" + file);
    return names;
  }
  // Runs the engine with `ini` on one command; its answer goes to tmp/answer.txt.
  int Engine(const std::string& ini, const std::string& command) const {
    return Shell("'" + engine + "' --ini '" + ini + "' -c '" + command + "' >'" + (tmp / "answer.txt") +
                 "' 2>&1");
  }
  // vbhost on ann's project: connected, `steps`, disconnected.
  Lines RunAnnsIde(const std::string& steps) {
    return testing_support::RunVbhost(
        tmp, "open App/App.vbp\naddin connect\naddin connectaddin\n" + steps + "addin disconnectaddin\n");
  }

  std::unique_ptr<testing_support::SvnServer> server;
  std::string engine;
};

// One world, in turn: ann's check-out and check-in reach the server; a hung server costs her next
// pass one wait. (What the store does with a conflict or a change made without the lock, whether
// bob then sees her lock and the work files' modes, the engine's own tests show: the add-in only
// passes its answer on.)
TEST_F(SvnScenario, TheAddinMeetsBobsLockAndAHungServer) {
  Lines t = RunAnnsIde(
      "show states\n"
      "answer dialog frmExtract select Module1 select Class1 ok\n"
      "click Tools \"C&heck Out\"\n"
      "answer dialog frmUpdate select Module1 ok\n"
      "click Tools \"Check &In\"\n");
  // Form1 out to someone else (5), Module1 and Class1 under control and free (1); the dialog
  // shows bob as the holder, from the repository.
  EXPECT_EQ(With(t, "\"show\":true,\"components\""),
            Lines{R"({"event":"states","show":true,"components":{"Form1":5,"Module1":1,"Class1":1}})"});
  EXPECT_NE(With(t, "\"phase\":\"shown\"")[0].find(
                R"({"text":"Form1","files":"Form1.frm, frx","user":"bob","type":"locked revision 1)"),
            std::string::npos);
  EXPECT_EQ(
      With(t, "\"event\":\"engine\""),
      (Lines{
          R"({"event":"engine","text":"> EW $DIR\\App\\Module1.bas,$DIR\\App\\Class1.cls\r\n2 of 2 files )"
          R"(extracted\r\n$DIR\\App\\Module1.bas: revision 1 extracted and locked\r\n$DIR\\App\\Class1.cls: )"
          R"(revision 1 extracted and locked\r\n"})",
          R"({"event":"engine","text":"> UW $DIR\\App\\Module1.bas\r\n1 of 1 files updated\r\n$DIR\\App\\)"
          R"(Module1.bas: unchanged; revision 1 kept, lock released\r\n"})"}));
  // The engine's log has every command, and no password.
  const std::string log = Contents(tmp / "bin/WNORB.LOG");
  EXPECT_NE(log.find("> EW "), std::string::npos);
  EXPECT_EQ(log.find("secret"), std::string::npos);

  // The server hangs (SIGSTOP) as ann opens her project: the pass waits once, RepositoryTimeout=1,
  // and shows what her working copy knows (her own lock on Class1; bob's on Form1 is the server's
  // to tell), with no message box; the engine's notice of it comes once.
  WriteAnnsIni("RepositoryTimeout=1\r\n");
  server->Pause();
  t = RunAnnsIde("show states\n");
  server->Resume();
  EXPECT_EQ(With(t, "\"show\":true,\"components\""),
            Lines{R"({"event":"states","show":true,"components":{"Form1":1,"Module1":1,"Class1":3}})"});
  EXPECT_EQ(With(t, "\"event\":\"msgbox\""), Lines{});
  EXPECT_EQ(
      With(t, "(offline: "),
      Lines{
          R"({"event":"engine","text":"> T $DIR\\App\\Form1.frm\r\n$DIR\\App\\Form1.frm is not checked out\r\n)"
          "(offline: the repository " +
          server->url() +
          R"( did not answer within 1 s (RepositoryTimeout); answered from the working copy)\r\n"})"});
}

}  // namespace
