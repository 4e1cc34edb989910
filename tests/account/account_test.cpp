// `vbhost run --format text`: the run told for a person, one line each, the lock states as a
// table; JSON stays the default where no person reads.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/temp_folder.hpp"

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(ReadableAccount, TellsWhatTheAddInShowedAskedAndSentAndTheStates) {
  testing_support::TempFolder tmp;
  tmp.Write("App/App.vbp", "Type=Exe\r\nModule=Module1; Module1.bas\r\nName=\"App\"\r\n");
  tmp.Write("App/Module1.bas", "Attribute VB_Name = \"Module1\"\r\n");
  tmp.Write("bin/WNORB16.EXE", "");
  tmp.Write(
      "s.scn",
      "addin install bin\nengine scripted\nengine reply G2LOCKING Y\n"
      "engine reply \"T \" \"is not checked out\\r\\n\"\nopen App/App.vbp\naddin connect\n"
      "addin connectaddin\nreadonly App/Module1.bas on\nedit Module1\nanswer msgbox OK\nsave Module1\n");
  // A newcomer's Windows directory, empty: the add-in is registered there without a message.
  const std::string run =
      "WINDIR='" + (tmp / "windows") + "' " + NORB_VBHOST + " run '" + (tmp / "s.scn") + "'";
  ASSERT_EQ(WEXITSTATUS(std::system((run + " --format text >'" + (tmp / "out.txt") + "'").c_str())), 0);
  const std::string module = tmp.Windows("App\\Module1.bas");
  std::string told = Slurp(tmp / "out.txt");
  // The engine's folder goes in its short form, which the account shows as sent.
  const std::size_t cd = told.find("sent: CD C:\\");
  ASSERT_NE(cd, std::string::npos) << told;
  told.erase(cd, told.find('\n', cd) + 1 - cd);
  EXPECT_EQ(told, "launched: " + tmp.Windows("bin\\WNORB16") + " -L (not started)\n" +
                      "sent: G2LOCKING\nsent: T " + module +
                      "\nasked: \"Visual Basic has just requested to write " + module +
                      ", which is read-only. | Request denied. \" -> OK\nnot saved: " + module +
                      "\nlock states at the end:\ncomponent  state\nModule1    1 not checked out\n");
  EXPECT_EQ(Slurp(tmp / "windows/vbaddin.ini"), "[Add-Ins32]\r\nNORBVB5.nvb5VersionControl=0\r\n");
  // Into a pipe, and so into a file, the transcript stays JSON.
  ASSERT_EQ(WEXITSTATUS(std::system((run + " >'" + (tmp / "out.jsonl") + "'").c_str())), 0);
  EXPECT_EQ(Slurp(tmp / "out.jsonl").rfind("{\"event\":", 0), 0u);
}

}  // namespace
