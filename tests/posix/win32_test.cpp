#include <unistd.h>

#include <gtest/gtest.h>

#include "posix/win32_posix.hpp"
#include "tests/support/temp_folder.hpp"

namespace posix {
namespace {

using testing_support::TempFolder;

class Win32PosixTest : public ::testing::Test {
 protected:
  TempFolder tmp_;
  Win32Posix win32_{PathResolver(DriveMap()), tmp_ / "windows"};

  std::string ShortOf(const std::string& windows_path) {
    std::string buffer(1024, ' ');
    long n = win32_.GetShortPathNameA(windows_path, buffer, static_cast<long>(buffer.size()));
    return buffer.substr(0, static_cast<std::size_t>(n));
  }
};

TEST_F(Win32PosixTest, ShortPathNameFillsTheBlankBuffer) {
  tmp_.Write("x/My File.frm", "");
  std::string base = ShortOf(tmp_.Windows());
  ASSERT_EQ(base.substr(0, 3), "C:\\");

  std::string buffer(81, ' ');
  long n = win32_.GetShortPathNameA(tmp_.Windows("x/My File.frm"), buffer, 81);
  std::string expected = base + "\\x\\MY512F~1.FRM";
  ASSERT_EQ(n, static_cast<long>(expected.size()));
  EXPECT_EQ(buffer, expected + '\0' + std::string(80 - expected.size(), ' '));

  // Any case, either separator, a trailing separator kept; the alias itself is accepted.
  EXPECT_EQ(ShortOf(tmp_.Windows("X/my file.FRM")), expected);
  EXPECT_EQ(ShortOf(tmp_.Windows("x") + "\\"), base + "\\x\\");
  EXPECT_EQ(ShortOf(tmp_.Windows("x/MY512F~1.FRM")), expected);
  EXPECT_EQ(ShortOf("c:\\"), "c:\\");

  std::string untouched(81, ' ');
  EXPECT_EQ(win32_.GetShortPathNameA(tmp_.Windows("x/Missing File.frm"), untouched, 81), 0);
  EXPECT_EQ(win32_.GetShortPathNameA("Q:\\x", untouched, 81), 0);
  EXPECT_EQ(untouched, std::string(81, ' '));
}

TEST_F(Win32PosixTest, ShortPathNameHonoursTheSize) {
  std::string base = ShortOf(tmp_.Windows());
  ASSERT_LT(base.size(), 60u);
  // Folders of 8 characters, then a file name that brings the whole to `length`.
  auto make = [&](std::size_t length) {
    std::string relative;
    while (base.size() + relative.size() + 13 < length) relative += "DDDDDDDD/";
    std::size_t rest = length - base.size() - relative.size() - 1;
    std::string name = rest <= 8 ? std::string(rest, 'F') : std::string(rest - 4, 'F') + ".EEE";
    tmp_.Write(relative + name, "");
    std::string windows = tmp_.Windows(relative + name);
    EXPECT_EQ(ShortOf(windows).size(), length);
    return windows;
  };
  std::string fits = make(80);
  std::string buffer(81, ' ');
  EXPECT_EQ(win32_.GetShortPathNameA(fits, buffer, 81), 80);
  EXPECT_EQ(buffer[80], '\0');

  std::string too_long = make(81);
  buffer.assign(81, ' ');
  EXPECT_EQ(win32_.GetShortPathNameA(too_long, buffer, 81), 82);
  EXPECT_EQ(buffer, std::string(81, ' '));
  // The buffer's own length binds as well as the size claimed for it.
  std::string small(40, ' ');
  EXPECT_EQ(win32_.GetShortPathNameA(fits, small, 81), 81);
  EXPECT_EQ(small, std::string(40, ' '));
}

TEST_F(Win32PosixTest, ModuleHandleAndFileName) {
  EXPECT_NE(win32_.GetModuleHandleA("NORBVB5.EXE"), 0);
  EXPECT_EQ(win32_.GetModuleHandleA("norbvb5.exe"), win32_.GetModuleHandleA("NORBVB5.EXE"));
  EXPECT_EQ(win32_.GetModuleHandleA("NORBVB5"), 0);
  EXPECT_EQ(win32_.GetModuleHandleA("WNORB16.EXE"), 0);

  long handle = win32_.GetModuleHandleA("NorbVB5.exe");
  std::string buffer(81, ' ');
  EXPECT_EQ(win32_.GetModuleFileNameA(handle, buffer, 81), 0);  // not configured yet
  win32_.SetAddInPath("C:\\opt\\norb\\NORBVB5.EXE");
  EXPECT_EQ(win32_.GetModuleFileNameA(handle, buffer, 81), 23);
  EXPECT_EQ(buffer.substr(0, 25), std::string("C:\\opt\\norb\\NORBVB5.EXE") + '\0' + ' ');
  buffer.assign(81, ' ');
  EXPECT_EQ(win32_.GetModuleFileNameA(handle, buffer, 8), 7);
  EXPECT_EQ(buffer.substr(0, 9), std::string("C:\\opt\\") + '\0' + ' ');
  EXPECT_EQ(win32_.GetModuleFileNameA(12345, buffer, 81), 0);

  char self[4096] = {};
  ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
  std::string expected = "C:" + std::string(self);
  for (char& c : expected) c = c == '/' ? '\\' : c;
  buffer.assign(4096, ' ');
  long n = win32_.GetModuleFileNameA(0, buffer, 4096);
  EXPECT_EQ(buffer.substr(0, static_cast<std::size_t>(n)), expected);
}

}  // namespace
}  // namespace posix
