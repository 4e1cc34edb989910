// NORBVB5.EXE started on its own registers the add-in and prints what it did.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "tests/support/temp_folder.hpp"

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
}

}  // namespace
