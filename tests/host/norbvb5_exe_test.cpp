// NORBVB5.EXE started on its own registers the add-in and prints what it did; its message boxes
// in the terminal.
#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "exe/console_services.hpp"
#include "tests/fakes/fake_services.hpp"
#include "tests/host/scenario_fixture.hpp"
#include "vbrt/forms.hpp"
#include "vbrt/runtime.hpp"

namespace {

// Registered once, and quiet after; also when the program lies on no mapped drive, as
// registration needs only the Windows directory. A drive setting it cannot read stops it before it
// writes anything, saying why.
TEST(Norbvb5Exe, RegistersOnceThenStaysQuiet) {
  const std::string installed = "NORBVB5: NORB add-in installed...\n";
  const std::tuple<std::string, int, std::string> cases[] = {
      {"", 0, installed},
      {"NORB_DRIVES='D:=/nonexistent' ", 0, installed},
      {"NORB_DRIVES=Q ", 2,
       "NORBVB5.EXE: NORB_DRIVES: bad entry \"Q\" (expected a letter, \":=\" and an absolute folder)\n"}};
  for (const auto& [drives, exit_code, said] : cases) {
    testing_support::TempFolder tmp;
    const std::string run =
        drives + "WINDIR=" + tmp.path() + " " + NORB_ADDIN_EXE + " >'" + (tmp / "out.txt") + "' 2>&1";
    for (const std::string& again : {said, exit_code == 0 ? "" : said}) {
      EXPECT_EQ(testing_support::Shell(run), exit_code) << drives;
      EXPECT_EQ(testing_support::Contents(tmp / "out.txt"), again) << drives;
      EXPECT_EQ(testing_support::Contents(tmp / "vbaddin.ini"),
                exit_code == 0 ? "[Add-Ins32]\r\nNORBVB5.nvb5VersionControl=0\r\n" : "")
          << drives;
    }
    EXPECT_EQ(std::filesystem::exists(tmp / "vbaddin.ini"), exit_code == 0);
  }
}

// A read-only add-in list gets the add-in's failure message and stays as it was. (The other cases
// of registration are tests/host/scenarios/addin_registration.scn's; this one is not, as Wine,
// which runs that file too, writes a read-only file for root.)
TEST(Registration, AReadOnlyAddinListGetsTheFailureMessageAndStaysAsItWas) {
  testing_support::TempFolder tmp;
  testing_support::WriteProject(tmp);
  const std::string ini = tmp.Write("win-ro/vbaddin.ini", "[Other]\r\nx=1\r\n", 0444);
  const std::vector<std::string> t =
      testing_support::RunVbhost(tmp, "set windir win-ro\nanswer msgbox OK\naddin connect\n");
  EXPECT_EQ(
      testing_support::With(t, "\"event\":\"msgbox\""),
      std::vector<std::string>{
          R"({"event":"msgbox","text":"NORB add-in failed to write vbaddin.ini; is Visual Basic 5.0 properly installed on this machine?","style":4096,"answer":"OK"})"});
  EXPECT_EQ(
      testing_support::With(t, "\"action\":\"write\""),
      std::vector<std::string>{
          R"({"event":"profile","action":"write","file":"vbaddin.ini","section":"Add-Ins32","key":"NORBVB5.nvb5VersionControl","value":"0","ok":false})"});
  EXPECT_EQ(testing_support::Contents(ini), "[Other]\r\nx=1\r\n");
}

// Every program answers --version with its name and the build's version, and --help with its
// own description, both successfully. NORBVB5.EXE's help says where the Windows directory it
// registers in is found; the desktop's usage names what it opens, as the README and its manual
// page call it.
TEST(Programs, SayTheirVersionAndHelp) {
  const std::string addin = NORB_ADDIN_EXE, vbhost = NORB_VBHOST, engine = NORB_ENGINE_EXE;
  const std::string version = std::string(" ") + NORB_VERSION + "\n";
  // How the output must hold the text: '=' whole, '^' at its start, '~' anywhere.
  const std::tuple<std::string, char, std::string> cases[] = {
      {addin + " --version", '=', "NORBVB5.EXE" + version},
      {vbhost + " --version", '=', "vbhost" + version},
      {engine + " --version", '=', "WNORB16.EXE" + version},
      {addin + " --help", '^', "NORBVB5.EXE - "},
      {vbhost + " --help", '^', "vbhost - "},
      {engine + " --help", '^', "WNORB16.EXE - "},
      {addin + " --help", '~',
       "vbaddin.ini in the Windows\ndirectory (the WINDIR environment variable, else "
       "~/.config/norbvb5/windows), and says\nwhether it wrote it. The IDE stand-in, vbhost, loads the "
       "add-in in-process.\n"},
      {vbhost + " gui --help", '~', " gui [OPTIONS] [PROJECT]\n"},
  };
  testing_support::TempFolder tmp;
  for (const auto& [command, how, text] : cases) {
    EXPECT_EQ(testing_support::Shell(command + " >'" + (tmp / "out.txt") + "' 2>&1"), 0) << command;
    const std::string out = testing_support::Contents(tmp / "out.txt");
    const std::size_t at = out.find(text);
    const bool holds = how == '=' ? out == text : at != std::string::npos && (how == '~' || at == 0);
    EXPECT_TRUE(holds) << command << ":\n" << out;
  }
}

// A Yes/No box prints its question and takes Yes only from a line that starts with y or Y; an
// empty line or the end of input is No. An OK box reads nothing.
TEST(Norbvb5Exe, TheTerminalsBoxesTakeYesOnlyFromYAndNameWhatTheyCannotShow) {
  for (auto [input, answer] : {std::pair{"y\n", platform::vbYes},
                               {"Yes\n", platform::vbYes},
                               {"n\n", platform::vbNo},
                               {"N\n", platform::vbNo},
                               {"\n", platform::vbNo},
                               {"", platform::vbNo},
                               {" y\n", platform::vbNo}}) {
    std::ostringstream out;
    std::istringstream in(input);
    norbexe::ConsoleDesktop desktop(out, in, "NORBVB5");
    EXPECT_EQ(desktop.MsgBox("Go on?", platform::vbYesNo, std::nullopt), answer) << input;
    EXPECT_EQ(out.str(), "NORBVB5: Go on?\n[y/N] ") << input;
  }
  std::ostringstream out;
  std::istringstream in("n\n");
  norbexe::ConsoleDesktop desktop(out, in, "NORBVB5");
  EXPECT_EQ(desktop.MsgBox("Done.", platform::vbOKOnly, "Title"), platform::vbOK);
  EXPECT_EQ(out.str(), "Title: Done.\n");
  EXPECT_EQ(in.tellg(), 0);

  // Help is named, not opened; a form nobody can answer here is refused by name.
  out.str("");
  desktop.ShowHelp("", "C:\\NORB\\NORB.HLP");
  EXPECT_EQ(out.str(), "help: C:\\NORB\\NORB.HLP\n");
  fakes::FakeServices fake;
  vb::Runtime rt{fake.services()};
  vb::Form form(rt, "frmOptions");
  norbexe::NoFormsUi ui;
  try {
    ui.RunModal(form, [] { return true; });
    ADD_FAILURE() << "a modal form ran without the IDE";
  } catch (const std::logic_error& e) {
    EXPECT_STREQ(e.what(), "NORBVB5.EXE cannot show frmOptions without the IDE");
  }
}

}  // namespace
