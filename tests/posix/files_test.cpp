#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "posix/file_ops.hpp"
#include "posix/file_system_posix.hpp"
#include "posix/private_profile.hpp"
#include "posix/whole_file.hpp"
#include "posix/win32_posix.hpp"
#include "tests/support/temp_folder.hpp"
#include "tests/support/vb_error.hpp"
#include "tests/support/win32_contract.hpp"

namespace posix {
namespace {

using testing_support::Contents;
using testing_support::ErrorOf;
using testing_support::Mode;
using testing_support::ScopedEnv;
using testing_support::TempFolder;

struct FilesTest : ::testing::Test {
  TempFolder tmp;
  FileSystemPosix files{PathResolver(DriveMap())};
  Win32Posix win32{PathResolver(DriveMap()), tmp / "windows"};
};

// Dir finds normal files by their own name; GetAttr reports the bits of anything there.
TEST_F(FilesTest, DirAndGetAttrSeeFilesAsWindowsDoes) {
  tmp.Write("Form1.frm", "");
  tmp.Write("Locked.frm", "", 0444);
  tmp.Write("OwnerLocked.frm", "", 0466);  // group and others may write: still read-only to the owner
  tmp.Write(".hidden", "", 0400);
  tmp.MakeDir("Folder");
  tmp.MakeDir(".git");
  const std::tuple<std::string, std::string, int> cases[] = {
      {"form1.FRM", "Form1.frm", platform::vbNormal},
      {"locked.frm", "Locked.frm", platform::vbReadOnly},
      {"OwnerLocked.frm", "OwnerLocked.frm", platform::vbReadOnly},
      {".hidden", "", platform::vbReadOnly | platform::vbHidden},
      {"FOLDER", "", platform::vbDirectory},
      {".git", "", platform::vbDirectory | platform::vbHidden},
  };
  for (const auto& [name, dir, attributes] : cases) {
    EXPECT_EQ(files.Dir(tmp.Windows(name)), dir) << name;
    EXPECT_EQ(files.GetAttr(tmp.Windows(name)), attributes) << name;
  }
  for (const std::string& missing : {tmp.Windows("Missing.frm"), std::string("Q:\\x"), std::string()}) {
    EXPECT_EQ(files.Dir(missing), "") << missing;
    EXPECT_EQ(ErrorOf([&] { files.GetAttr(missing); }), vb::err::FileNotFound) << missing;
  }
  EXPECT_EQ(files.Dir(tmp.Windows("Form1.frm") + "\\"), "");
}

TEST_F(FilesTest, WholeFileWritesSafelyAndRefusesReadOnlyFiles) {
  std::string locked = tmp.Write("locked.txt", "old", 0444);
  EXPECT_TRUE(IsReadOnly(locked));
  EXPECT_EQ(ErrorOf([&] { WriteWholeFile(locked, "new"); }), 75);
  EXPECT_EQ(Contents(locked), "old");

  std::string kept = tmp.Write("kept.txt", "old", 0640);
  WriteWholeFile(kept, std::string("new\0bytes\xff", 10));
  EXPECT_EQ(Contents(kept), std::string("new\0bytes\xff", 10));
  EXPECT_EQ(Mode(kept), 0640u);
  EXPECT_FALSE(IsReadOnly(kept));

  // A symbolic link is written through and stays a link.
  std::filesystem::create_symlink(kept, tmp / "link.txt");
  WriteWholeFile(tmp / "link.txt", "via link");
  EXPECT_TRUE(std::filesystem::is_symlink(tmp / "link.txt"));
  EXPECT_EQ(Contents(kept), "via link");

  WriteWholeFile(tmp / "fresh.txt", "");
  EXPECT_EQ(ReadWholeFile(tmp / "fresh.txt"), "");
  EXPECT_EQ(ErrorOf([&] { WriteWholeFile(tmp / "no/such/folder.txt", "x"); }), 76);
  EXPECT_EQ(ErrorOf([&] { WriteWholeFile(tmp.path(), "x"); }), 75);
  // Nothing but what was asked for is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.path()), {}), 4);

  // A file with a second name is written in place, so both names keep seeing one file; also by a
  // program started with its standard input closed, where the file opens as descriptor 0.
  std::filesystem::create_hard_link(kept, tmp / "second name.txt");
  const int input = dup(STDIN_FILENO);
  close(STDIN_FILENO);
  const int error = ErrorOf([&] { WriteWholeFile(kept, "in place"); });
  dup2(input, STDIN_FILENO);
  close(input);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(Contents(tmp / "second name.txt"), "in place");
}

// Only regular files are read whole, and only up to the limit; anything else is refused at once
// with the reason, never waited on.
TEST_F(FilesTest, WholeFileReadsOnlyRegularFilesUpToTheLimit) {
  const std::string fifo = tmp / "pipe.vbp", file = tmp.Write("ten.txt", "0123456789");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // The bytes, else the reason there are none, after "missing: " when nothing is there.
  auto read = [](const std::string& path, std::size_t limit = kWholeFileLimit) {
    WholeFile read = ReadRegularFile(path, limit);
    return read.bytes.value_or(read.missing ? "missing: " + read.why : read.why);
  };
  alarm(30);  // a reader that waits on the FIFO ends the test binary here instead of hanging the suite
  EXPECT_EQ(read(file, 10), "0123456789");
  EXPECT_EQ(read(file, 9), "is larger than 9 bytes");
  EXPECT_EQ(read(fifo), "is a FIFO, not a regular file");
  EXPECT_EQ(read(tmp.path()), "is a folder, not a regular file");
  EXPECT_EQ(read("/dev/zero"), "is a character device, not a regular file");
  EXPECT_EQ(read(tmp / "missing.txt"), "missing: does not exist");
  EXPECT_EQ(read(tmp / "ten.txt/below"), "missing: does not exist");
  // A regular file whose read fails (this process's memory, unmapped at 0) is not an empty one.
  EXPECT_EQ(read("/proc/self/mem"), "cannot be read: Input/output error");
  EXPECT_EQ(ReadWholeFile(fifo), std::nullopt);
  alarm(0);
  // Past 256 MiB by a byte (a sparse file: nothing is written): refused by its size, never read.
  const std::string big = tmp.Write("big.frx", "");
  ASSERT_EQ(truncate(big.c_str(), (off_t{256} << 20) + 1), 0);
  EXPECT_EQ(read(big), "is larger than 268435456 bytes");
}

// The write bits as vbhost's "readonly" sets them (the owner's alone, so the round trip keeps the
// rest) and as the engine leaves an unlocked work file (everyone's); folders with their parents.
TEST_F(FilesTest, WriteBitsAndFoldersAsEveryProgramMakesThem) {
  const std::string file = tmp.Write("Shared.frm", "", 0666), fifo = tmp / "pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
  const std::tuple<bool, WriteBits, mode_t> steps[] = {
      {true, WriteBits::kOwner, 0466},
      {false, WriteBits::kOwner, 0666},
      {true, WriteBits::kEveryone, 0444},
      {false, WriteBits::kEveryone, 0644},
  };
  for (const auto& [read_only, clear, mode] : steps) {
    EXPECT_EQ(SetReadOnly(file, read_only, clear), "");
    EXPECT_EQ(Mode(file), mode) << read_only;
  }
  const mode_t fifo_mode = Mode(fifo);
  EXPECT_EQ(SetReadOnly(fifo, true, WriteBits::kEveryone), "not a regular file");
  EXPECT_EQ(Mode(fifo), fifo_mode);

  EXPECT_TRUE(MakeFolders(tmp / "a/b/c"));
  EXPECT_TRUE(std::filesystem::is_directory(tmp / "a/b/c"));
  EXPECT_TRUE(MakeFolders(tmp / "a/b"));
  EXPECT_FALSE(MakeFolders(file));
  EXPECT_FALSE(MakeFolders(file + "/below"));
}

TEST(PrivateProfile, ChangesKeepEveryByteTheyDoNotConcern) {
  // Before; section, key and value; after.
  const std::tuple<std::string, std::string, std::string, std::string, std::string> cases[] = {
      // A key is rewritten in place and keeps the file's spelling; the rest stays as it was.
      {"; c\n[General]\n  Name = Old  \n; keep\nOther=1\n\n[general2]\nName=x\n", "GENERAL", "name", "New",
       "; c\n[General]\nName=New\n; keep\nOther=1\n\n[general2]\nName=x\n"},
      // A new key goes after the section's last line that is not blank.
      {"[General]\nOther=1\n\n[B]\n", "general", "Added", "2", "[General]\nOther=1\nAdded=2\n\n[B]\n"},
      {"[S]\r\nk=v\r\n[T]\r\nz=1", "t", "y", "2", "[S]\r\nk=v\r\n[T]\r\nz=1\r\ny=2\r\n"},
      // A new section goes at the end after a blank line; new lines end as the first line does.
      {"[S]\r\nk=v", "U", "u", "3", "[S]\r\nk=v\r\n\r\n[U]\r\nu=3\r\n"},
      {"", "B", "k", "v", "[B]\r\nk=v\r\n"},
      // A file cut after the CR of its last line end: the line end is completed, not doubled.
      {"[A]\r\n[B\r", "b", "k", "v", "[A]\r\n[B\r\nk=v\r\n"},
      // Windows-1252 bytes are carried as they are.
      {"; \x80\r\n[Fran\xe7\x61is]\r\nNom=Ren\xe9\r\n", "FRAN\xe7\x41IS", "\xc9t\xe9", "\xe0 \x80",
       "; \x80\r\n[Fran\xe7\x61is]\r\nNom=Ren\xe9\r\n\xc9t\xe9=\xe0 \x80\r\n"},
  };
  for (const auto& [before, section, key, value, after] : cases) {
    EXPECT_EQ(SetProfileValue(before, section, key, value), after) << before;
  }
}

TEST(PrivateProfile, ValuesAreTrimmedAndUnquotedInTheFirstSectionOfTheirName) {
  const std::string text =
      "top=outside\n[Sec]\nKey =\t spaced value \t\nquoted = \" kept \"\nempty=\n; Gone=1\n[Sec]\nLater=no\n"
      "[ A ]\r\n x = a=b \r\n[Zone]\nSize=1\n[Fran\xe7\x61is]\r\nNom=Ren\xe9";
  // Names match case aside, "A" to "Z" both ends included.
  const std::tuple<std::string, std::string, std::optional<std::string>> reads[] = {
      {"sec", "KEY", "spaced value"}, {"Sec", "quoted", " kept "},
      {"Sec", "empty", ""},           {"Sec", "Gone", std::nullopt},
      {"Sec", "Later", std::nullopt}, {"Sec", "top", std::nullopt},
      {"Nope", "Key", std::nullopt},  {"a", "X", "a=b"},
      {"zONE", "sIZE", "1"},          {"FRAN\xe7\x41IS", "NOM", "Ren\xe9"}};
  for (const auto& [section, key, value] : reads) {
    EXPECT_EQ(FindProfileValue(text, section, key), value) << key;
  }
  // The keys of a section as written, quotes and all, without the commented ones.
  EXPECT_EQ(
      ProfileSection("[Add-Ins32]\nA.Connect=0\n;B.Connect=1\n C.Connect = \"1\" \n[X]\nD=1", "add-ins32"),
      (std::vector<std::pair<std::string, std::string>>{{"A.Connect", "0"}, {"C.Connect", "\"1\""}}));
}

TEST(Win32Posix, TheWindowsDirectoryComesFromTheEnvironment) {
  ScopedEnv home("HOME", "/home/ann"), windir("WINDIR", "/srv/win"), config("XDG_CONFIG_HOME", "/cfg");
  EXPECT_EQ(DefaultWindowsDirectory(), "/srv/win");
  ScopedEnv no_windir("WINDIR", nullptr);
  EXPECT_EQ(DefaultWindowsDirectory(), "/cfg/norbvb5/windows");
  ScopedEnv no_config("XDG_CONFIG_HOME", nullptr);
  EXPECT_EQ(DefaultWindowsDirectory(), "/home/ann/.config/norbvb5/windows");
}

// The Windows API calls keep Windows' rules (tests/support/win32_contract.hpp); the short names
// are the emulation's own aliases, found in any spelling.
TEST_F(FilesTest, TheWindowsApiCallsKeepWindowsRules) {
  const testing_support::Win32Folder folder{
      [&](const std::string& relative) { return tmp.Windows(relative); },
      [&](const std::string& relative) { return tmp / relative; }, true};
  testing_support::CheckProfileStrings(win32, folder);

  const auto [base, file] = testing_support::CheckShortPathNames(win32, folder);
  ASSERT_EQ(base.substr(0, 3), "C:\\");
  EXPECT_EQ(file, base + "\\x\\MY512F~1.FRM");
  // Any case, either separator, a trailing separator kept; the alias itself is accepted.
  std::string buffer(1024, ' ');
  for (const auto& [path, short_form] : std::vector<std::pair<std::string, std::string>>{
           {tmp.Windows("X/my file.FRM"), file},
           {tmp.Windows("x") + "\\", base + "\\x\\"},
           {tmp.Windows("x/MY512F~1.FRM"), file},
           {"c:\\", "c:\\"},
       }) {
    EXPECT_EQ(buffer.substr(0, static_cast<std::size_t>(win32.GetShortPathNameA(path, buffer, 1024))),
              short_form)
        << path;
  }

  EXPECT_EQ(win32.GetModuleFileNameA(win32.GetModuleHandleA("NORBVB5.EXE"), buffer, 81), 0);  // not given yet
  win32.SetAddInPath("C:\\opt\\norb\\NORBVB5.EXE");
  std::string self = "C:" + std::filesystem::read_symlink("/proc/self/exe").string();
  for (char& c : self) c = c == '/' ? '\\' : c;
  EXPECT_EQ(testing_support::CheckAddInModule(win32), self);
}

}  // namespace
}  // namespace posix
