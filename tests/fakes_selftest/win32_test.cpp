#include "tests/fakes/fake_win32.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

using fakes::FakeWin32;

TEST(FakeWin32, ShortPathKeepsTheBufferConventions) {
  FakeWin32 w;
  w.AddShortName("C:\\Long Dir\\My File.frm", "C:\\LONGDI~1\\MYFILE~1.FRM");
  const std::string short_form = "C:\\LONGDI~1\\MYFILE~1.FRM";
  const long len = static_cast<long>(short_form.size());

  std::string buf(81, 'x');
  EXPECT_EQ(w.GetShortPathNameA("c:\\long dir\\MY FILE.FRM", buf, 81), len);
  EXPECT_EQ(buf.size(), 81u);
  EXPECT_EQ(buf.substr(0, len + 1), short_form + '\0');
  EXPECT_EQ(buf.substr(len + 1), std::string(81 - len - 1, 'x'));

  std::string exact(len + 1, 'x');
  EXPECT_EQ(w.GetShortPathNameA("C:\\Long Dir\\My File.frm", exact, len + 1), len);
  EXPECT_EQ(exact, short_form + '\0');

  std::string tight(len, 'x');
  EXPECT_EQ(w.GetShortPathNameA("C:\\Long Dir\\My File.frm", tight, len), len + 1);
  EXPECT_EQ(tight, std::string(len, 'x'));

  std::string missing(81, 'x');
  EXPECT_EQ(w.GetShortPathNameA("C:\\Long Dir\\Other.frm", missing, 81), 0);
  EXPECT_EQ(missing, std::string(81, 'x'));

  // The short form finds itself; the directory above exists, with or without its trailing "\".
  EXPECT_EQ(w.GetShortPathNameA(short_form, buf, 81), len);
  EXPECT_EQ(w.GetShortPathNameA("C:\\Long Dir\\", buf, 81), 12);
  EXPECT_EQ(buf.substr(0, 13), std::string("C:\\LONGDI~1\\") + '\0');
  EXPECT_EQ(w.GetShortPathNameA("C:\\Long Dir", buf, 81), 11);

  // Claiming a larger buffer than the string would let the real call write past it.
  std::string small(10, 'x');
  FAKES_EXPECT_REFUSED(w.GetShortPathNameA("C:\\Long Dir\\My File.frm", small, 81), "buffer of 10");
}

TEST(FakeWin32, ModuleFileNameIsCutToTheBufferAndCanFail) {
  FakeWin32 w;
  w.SetModulePath("C:\\TOOLS\\NORB\\NORBVB5.EXE");
  const long handle = w.GetModuleHandleA("norbvb5.exe");
  EXPECT_NE(handle, 0);
  EXPECT_EQ(w.GetModuleHandleA("VB5.EXE"), 0);

  std::string buf(255, ' ');
  EXPECT_EQ(w.GetModuleFileNameA(handle, buf, 255), 25);
  EXPECT_EQ(buf.substr(0, 26), std::string("C:\\TOOLS\\NORB\\NORBVB5.EXE") + '\0');

  std::string cut(8, ' ');
  EXPECT_EQ(w.GetModuleFileNameA(handle, cut, 8), 7);
  EXPECT_EQ(cut, std::string("C:\\TOOL") + '\0');

  w.SetModuleFileNameFailing(true);
  std::string untouched(255, ' ');
  EXPECT_EQ(w.GetModuleFileNameA(handle, untouched, 255), 0);
  EXPECT_EQ(untouched, std::string(255, ' '));
}

TEST(FakeWin32, PrivateProfilesAreCaseBlindAndReadOnlyFilesRefuseWrites) {
  FakeWin32 w;
  EXPECT_EQ(w.WritePrivateProfileStringA("Norb", "EngineDir", "C:\\NORB\\", "norb.ini"), 1);
  // A bare file name lives in the Windows directory.
  EXPECT_EQ(w.Profile("C:\\WINDOWS\\NORB.INI", "NORB", "enginedir"), "C:\\NORB\\");

  std::string buf(255, ' ');
  EXPECT_EQ(w.GetPrivateProfileStringA("NORB", "ENGINEDIR", "", buf, 255, "NORB.INI"), 8);
  EXPECT_EQ(buf.substr(0, 9), std::string("C:\\NORB\\") + '\0');
  EXPECT_EQ(w.GetPrivateProfileStringA("Norb", "Missing", "none", buf, 255, "norb.ini"), 4);
  EXPECT_EQ(buf.substr(0, 5), std::string("none") + '\0');
  std::string cut(4, ' ');
  EXPECT_EQ(w.GetPrivateProfileStringA("Norb", "EngineDir", "", cut, 4, "norb.ini"), 3);
  EXPECT_EQ(cut, std::string("C:\\") + '\0');

  w.SetProfileReadOnly("norb.ini", true);
  EXPECT_EQ(w.WritePrivateProfileStringA("Norb", "EngineDir", "D:\\", "norb.ini"), 0);
  EXPECT_EQ(w.Profile("norb.ini", "Norb", "EngineDir"), "C:\\NORB\\");

  using fakes::ProfileRead;
  using fakes::ProfileWrite;
  EXPECT_EQ(w.profile_writes(),
            (std::vector<ProfileWrite>{{"norb.ini", "Norb", "EngineDir", "C:\\NORB\\", true},
                                       {"norb.ini", "Norb", "EngineDir", "D:\\", false}}));
  EXPECT_EQ(w.profile_reads(), (std::vector<ProfileRead>{{"NORB.INI", "NORB", "ENGINEDIR", "C:\\NORB\\"},
                                                         {"norb.ini", "Norb", "Missing", "none"},
                                                         {"norb.ini", "Norb", "EngineDir", "C:\\"}}));
}

}  // namespace
