// NORBVB5.EXE started on its own registers the add-in and prints what it did; its message boxes
// in the terminal.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "exe/console_services.hpp"
#include "tests/fakes/fake_services.hpp"
#include "tests/support/temp_folder.hpp"
#include "vbrt/forms.hpp"
#include "vbrt/runtime.hpp"

namespace {

TEST(Norbvb5Exe, RegistersOnceThenStaysQuiet) {
  // Also when the program lies on no mapped drive: registration needs only the Windows directory.
  for (const char* drives : {"", "NORB_DRIVES='D:=/nonexistent' "}) {
    testing_support::TempFolder tmp;
    std::string run =
        drives + ("WINDIR=" + tmp.path() + " " + NORB_ADDIN_EXE + " > " + (tmp / "out.txt") + " 2>&1");
    EXPECT_EQ(WEXITSTATUS(std::system(run.c_str())), 0) << drives;
    EXPECT_EQ(testing_support::Contents(tmp / "out.txt"), "NORBVB5: NORB add-in installed...\n") << drives;
    EXPECT_EQ(testing_support::Contents(tmp / "vbaddin.ini"),
              "[Add-Ins32]\r\nNORBVB5.nvb5VersionControl=0\r\n")
        << drives;
    EXPECT_EQ(WEXITSTATUS(std::system(run.c_str())), 0) << drives;
    EXPECT_EQ(testing_support::Contents(tmp / "out.txt"), "") << drives;
  }
  // A drive setting it cannot read stops it before it writes anything, saying why.
  testing_support::TempFolder tmp;
  const std::string run =
      "NORB_DRIVES=Q WINDIR=" + tmp.path() + " " + NORB_ADDIN_EXE + " > " + (tmp / "out.txt") + " 2>&1";
  EXPECT_EQ(WEXITSTATUS(std::system(run.c_str())), 2);
  EXPECT_EQ(testing_support::Contents(tmp / "out.txt"),
            "NORBVB5.EXE: NORB_DRIVES: bad entry \"Q\" (expected a letter, \":=\" and an absolute folder)\n");
  EXPECT_EQ(::access((tmp / "vbaddin.ini").c_str(), F_OK), -1);
}

// Its help says where the Windows directory it registers in is found.
TEST(Norbvb5Exe, HelpNamesTheWindowsDirectory) {
  testing_support::TempFolder tmp;
  const std::string run = std::string(NORB_ADDIN_EXE) + " --help > " + (tmp / "out.txt") + " 2>&1";
  EXPECT_EQ(WEXITSTATUS(std::system(run.c_str())), 0);
  EXPECT_NE(
      testing_support::Contents(tmp / "out.txt")
          .find("vbaddin.ini in the Windows\ndirectory (the WINDIR environment variable, else "
                "~/.config/norbvb5/windows), and says\nwhether it wrote it. The IDE stand-in, vbhost, loads "
                "the add-in in-process.\n"),
      std::string::npos)
      << testing_support::Contents(tmp / "out.txt");
}

// Every program answers --version with its name and the build's version, and --help with its
// own description, both successfully.
TEST(Programs, SayTheirVersionAndHelp) {
  for (auto [program, name] : {std::pair{NORB_ADDIN_EXE, "NORBVB5.EXE"},
                               {NORB_VBHOST, "vbhost"},
                               {NORB_ENGINE_EXE, "WNORB16.EXE"}}) {
    testing_support::TempFolder tmp;
    for (auto [flag, expected] : {std::pair{"--version", std::string(name) + " " + NORB_VERSION + "\n"},
                                  {"--help", std::string(name) + " - "}}) {
      const std::string run = std::string(program) + " " + flag + " > " + (tmp / "out.txt") + " 2>&1";
      EXPECT_EQ(WEXITSTATUS(std::system(run.c_str())), 0) << name << " " << flag;
      const std::string out = testing_support::Contents(tmp / "out.txt");
      EXPECT_EQ(out.substr(0, expected.size()), expected) << name << " " << flag;
      if (std::string(flag) == "--version") {
        EXPECT_EQ(out, expected) << name;
      }
    }
  }
  // The desktop's usage names what it opens, as the README and its manual page call it.
  testing_support::TempFolder tmp;
  const std::string run = std::string(NORB_VBHOST) + " gui --help > " + (tmp / "out.txt") + " 2>&1";
  EXPECT_EQ(WEXITSTATUS(std::system(run.c_str())), 0);
  EXPECT_NE(testing_support::Contents(tmp / "out.txt").find(" gui [OPTIONS] [PROJECT]\n"), std::string::npos);
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
