#include <gtest/gtest.h>

#include "posix/private_profile.hpp"
#include "posix/win32_posix.hpp"
#include "tests/support/temp_folder.hpp"

namespace posix {
namespace {

using testing_support::Contents;
using testing_support::Mode;
using testing_support::ScopedEnv;
using testing_support::TempFolder;

class PrivateProfileTest : public ::testing::Test {
 protected:
  TempFolder tmp_;
  Win32Posix win32_{PathResolver(DriveMap()), tmp_ / "windows"};

  std::string Get(const std::string& section, const std::string& key, const std::string& file,
                  const std::string& default_value = "<none>") {
    std::string buffer(255, ' ');
    long n = win32_.GetPrivateProfileStringA(section, key, default_value, buffer, 255, file);
    EXPECT_EQ(buffer[static_cast<std::size_t>(n)], '\0');
    return buffer.substr(0, static_cast<std::size_t>(n));
  }
};

TEST_F(PrivateProfileTest, CreatesFileAndSectionInTheWindowsDirectory) {
  EXPECT_EQ(Get("Options", "Engine", "NORB.INI"), "<none>");
  EXPECT_EQ(win32_.WritePrivateProfileStringA("Options", "Engine", "C:\\NORB\\", "NORB.INI"), 1);
  EXPECT_EQ(Contents(tmp_ / "windows/NORB.INI"), "[Options]\r\nEngine=C:\\NORB\\\r\n");
  EXPECT_EQ(win32_.WritePrivateProfileStringA("Paths", "Work", "x", "norb.ini"), 1);  // the same file
  EXPECT_EQ(win32_.WritePrivateProfileStringA("options", "LOCK", "1", "Norb.Ini"), 1);
  EXPECT_EQ(Contents(tmp_ / "windows/NORB.INI"),
            "[Options]\r\nEngine=C:\\NORB\\\r\nLOCK=1\r\n\r\n[Paths]\r\nWork=x\r\n");
  EXPECT_EQ(Get("OPTIONS", "engine", "norb.ini"), "C:\\NORB\\");

  // A path with a folder is a Windows path of its own.
  std::string elsewhere = tmp_.Windows("proj/Local.ini");
  tmp_.MakeDir("proj");
  EXPECT_EQ(win32_.WritePrivateProfileStringA("A", "B", "C", elsewhere), 1);
  EXPECT_EQ(Contents(tmp_ / "proj/Local.ini"), "[A]\r\nB=C\r\n");
  EXPECT_EQ(Get("a", "b", tmp_.Windows("PROJ/local.INI")), "C");
}

TEST_F(PrivateProfileTest, UpdatesInPlaceKeepingEverythingElse) {
  const std::string original =
      "; settings\n"
      "[General]\n"
      "  Name = Old Value  \n"
      "; keep me\n"
      "Other=1\n"
      "\n"
      "[general2]\n"
      "Name=untouched\n";
  std::string ini = tmp_.Write("windows/app.ini", original, 0640);
  EXPECT_EQ(win32_.WritePrivateProfileStringA("GENERAL", "name", "New", "app.ini"), 1);
  EXPECT_EQ(win32_.WritePrivateProfileStringA("General", "Added", "2", "app.ini"), 1);
  EXPECT_EQ(Contents(ini),
            "; settings\n"
            "[General]\n"
            "Name=New\n"
            "; keep me\n"
            "Other=1\n"
            "Added=2\n"
            "\n"
            "[general2]\n"
            "Name=untouched\n");
  EXPECT_EQ(Mode(ini), 0640u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp_ / "windows"), {}), 1);

  std::string crlf = tmp_.Write("windows/crlf.ini", "[S]\r\nk=v\r\n[T]\r\nz=1");
  EXPECT_EQ(win32_.WritePrivateProfileStringA("s", "K", "w", "crlf.ini"), 1);
  EXPECT_EQ(win32_.WritePrivateProfileStringA("T", "y", "2", "crlf.ini"), 1);
  EXPECT_EQ(win32_.WritePrivateProfileStringA("U", "u", "3", "crlf.ini"), 1);
  EXPECT_EQ(Contents(crlf), "[S]\r\nk=w\r\n[T]\r\nz=1\r\ny=2\r\n\r\n[U]\r\nu=3\r\n");
}

TEST_F(PrivateProfileTest, ReadsTrimmedValuesOrTheDefault) {
  tmp_.Write("windows/r.ini",
             "top=outside\n[Sec]\nKey =\t spaced value \t\nquoted = \" kept \"\nempty=\n; Gone=1\n"
             "[Sec]\nLater=ignored\n");
  EXPECT_EQ(Get("sec", "KEY", "r.ini"), "spaced value");
  EXPECT_EQ(Get("Sec", "quoted", "r.ini"), " kept ");
  EXPECT_EQ(Get("Sec", "empty", "r.ini"), "");
  EXPECT_EQ(Get("Sec", "Gone", "r.ini"), "<none>");
  EXPECT_EQ(Get("Sec", "Later", "r.ini"), "<none>");  // only the first section of a name counts
  EXPECT_EQ(Get("Sec", "top", "r.ini"), "<none>");
  EXPECT_EQ(Get("Nope", "Key", "r.ini"), "<none>");
  EXPECT_EQ(Get("Sec", "Key", "missing.ini"), "<none>");
  EXPECT_EQ(Get("Sec", "Key", "Q:\\x.ini"), "<none>");
  EXPECT_EQ(Get("Sec", "Nope", "r.ini", "dflt  "), "dflt");

  // Cut to the size given, and never past the buffer's own end.
  std::string buffer(20, '#');
  EXPECT_EQ(win32_.GetPrivateProfileStringA("Sec", "Key", "", buffer, 5, "r.ini"), 4);
  EXPECT_EQ(buffer, std::string("spac\0", 5) + std::string(15, '#'));
  std::string tiny(3, '#');
  EXPECT_EQ(win32_.GetPrivateProfileStringA("Sec", "Key", "", tiny, 255, "r.ini"), 2);
  EXPECT_EQ(tiny, std::string("sp\0", 3));
  EXPECT_EQ(win32_.GetPrivateProfileStringA("Sec", "Key", "", tiny, 0, "r.ini"), 0);
}

TEST_F(PrivateProfileTest, RefusesReadOnlyAndUnwritableFiles) {
  const std::string original = "[S]\r\nk=v\r\n";
  std::string locked = tmp_.Write("windows/locked.ini", original, 0444);
  EXPECT_EQ(win32_.WritePrivateProfileStringA("S", "k", "changed", "locked.ini"), 0);
  EXPECT_EQ(win32_.WritePrivateProfileStringA("New", "k", "v", "locked.ini"), 0);
  EXPECT_EQ(Contents(locked), original);
  EXPECT_EQ(Mode(locked), 0444u);

  tmp_.Write("not-a-folder", "");
  EXPECT_EQ(win32_.WritePrivateProfileStringA("S", "k", "v", tmp_.Windows("not-a-folder/x.ini")), 0);
  tmp_.MakeDir("windows/dir.ini");
  EXPECT_EQ(win32_.WritePrivateProfileStringA("S", "k", "v", "dir.ini"), 0);
}

TEST_F(PrivateProfileTest, CarriesWindows1252BytesUnchanged) {
  const std::string original = "; Caf\xe9 \x80\x99\xff\r\n[Fran\xe7\x61is]\r\nNom=Ren\xe9\r\n";
  std::string ini = tmp_.Write("windows/cp.ini", original);
  EXPECT_EQ(Get("Fran\xe7\x61is", "Nom", "cp.ini"), "Ren\xe9");
  EXPECT_EQ(Get("FRAN\xe7\x41IS", "NOM", "cp.ini"), "Ren\xe9");
  EXPECT_EQ(win32_.WritePrivateProfileStringA("Fran\xe7\x61is", "\xc9t\xe9", "\xe0 \x80", "cp.ini"), 1);
  EXPECT_EQ(Contents(ini), original + "\xc9t\xe9=\xe0 \x80\r\n");
  EXPECT_EQ(Get("Fran\xe7\x61is", "\xc9t\xe9", "cp.ini"), "\xe0 \x80");
}

TEST(PrivateProfileText, InsertsAfterAnUnterminatedLastLine) {
  EXPECT_EQ(SetProfileValue("[A]\nx=1", "a", "y", "2"), "[A]\nx=1\ny=2\n");
  EXPECT_EQ(SetProfileValue("x", "B", "k", "v"), "x\r\n\r\n[B]\r\nk=v\r\n");
  EXPECT_EQ(SetProfileValue("", "B", "k", "v"), "[B]\r\nk=v\r\n");
  // A file cut after the CR of its last line end: the line end is completed, not doubled, so the
  // last line still says what it said.
  EXPECT_EQ(SetProfileValue("[A]\r\n[B\r", "b", "k", "v"), "[A]\r\n[B\r\nk=v\r\n");
  EXPECT_EQ(SetProfileValue("[A]\r\nx=1\r", "C", "k", "v"), "[A]\r\nx=1\r\n\r\n[C]\r\nk=v\r\n");
  EXPECT_EQ(FindProfileValue("[A]\nx=1", "A", "x"), "1");
  EXPECT_EQ(FindProfileValue("[ A ]\r\n x = a=b \r\n", "a", "X"), "a=b");
  EXPECT_EQ(FindProfileValue("[Zone]\nSize=1", "zONE", "sIZE"), "1");  // A to Z, both ends
}

TEST(WindowsDirectory, FromTheEnvironment) {
  ScopedEnv home("HOME", "/home/ann");
  {
    ScopedEnv windir("WINDIR", "/srv/win");
    EXPECT_EQ(DefaultWindowsDirectory(), "/srv/win");
  }
  ScopedEnv windir("WINDIR", nullptr);
  {
    ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(DefaultWindowsDirectory(), "/cfg/norbvb5/windows");
  }
  ScopedEnv config("XDG_CONFIG_HOME", nullptr);
  EXPECT_EQ(DefaultWindowsDirectory(), "/home/ann/.config/norbvb5/windows");
}

}  // namespace
}  // namespace posix
