#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "posix/file_system_posix.hpp"
#include "posix/whole_file.hpp"
#include "tests/support/temp_folder.hpp"
#include "vbrt/error.hpp"

namespace posix {
namespace {

using testing_support::Contents;
using testing_support::Mode;
using testing_support::TempFolder;

TEST(FileSystemPosix, DirFindsNormalFilesByTheirOwnName) {
  TempFolder tmp;
  tmp.Write("Proj/Form1.frm", "x");
  tmp.Write("Proj/Locked.frm", "x", 0444);
  tmp.Write("Proj/.secret", "x");
  tmp.MakeDir("Proj/Folder");
  FileSystemPosix files{PathResolver(DriveMap())};
  EXPECT_EQ(files.Dir(tmp.Windows("Proj/FORM1.FRM")), "Form1.frm");
  EXPECT_EQ(files.Dir(tmp.Windows("proj/locked.frm")), "Locked.frm");
  EXPECT_EQ(files.Dir(tmp.Windows("Proj/.secret")), "");
  EXPECT_EQ(files.Dir(tmp.Windows("Proj/Folder")), "");
  EXPECT_EQ(files.Dir(tmp.Windows("Proj/Missing.frm")), "");
  EXPECT_EQ(files.Dir(tmp.Windows("Proj/Form1.frm") + "\\"), "");
  EXPECT_EQ(files.Dir("Q:\\Form1.frm"), "");
  EXPECT_EQ(files.Dir(""), "");
}

TEST(FileSystemPosix, GetAttrReportsTheBits) {
  TempFolder tmp;
  tmp.Write("Form1.frm", "");
  tmp.Write("Locked.frm", "", 0444);
  tmp.Write("OwnerLocked.frm", "", 0466);  // group and others may write: still read-only to the owner
  tmp.Write(".hidden", "", 0400);
  tmp.MakeDir("Folder");
  tmp.MakeDir(".git");
  FileSystemPosix files{PathResolver(DriveMap())};
  EXPECT_EQ(files.GetAttr(tmp.Windows("form1.FRM")), platform::vbNormal);
  EXPECT_EQ(files.GetAttr(tmp.Windows("Locked.frm")), platform::vbReadOnly);
  EXPECT_EQ(files.GetAttr(tmp.Windows("OwnerLocked.frm")), platform::vbReadOnly);
  EXPECT_EQ(files.GetAttr(tmp.Windows(".hidden")), platform::vbReadOnly | platform::vbHidden);
  EXPECT_EQ(files.GetAttr(tmp.Windows("FOLDER")), platform::vbDirectory);
  EXPECT_EQ(files.GetAttr(tmp.Windows(".git")), platform::vbDirectory | platform::vbHidden);
  for (const std::string& missing : {tmp.Windows("Missing.frm"), std::string("Q:\\x"), std::string()}) {
    try {
      files.GetAttr(missing);
      ADD_FAILURE() << "no error for " << missing;
    } catch (const vb::Error& e) {
      EXPECT_EQ(e.number(), 53);
      EXPECT_EQ(e.description(), "File not found");
    }
  }
}

TEST(WholeFile, WritesSafelyAndRefusesReadOnlyFiles) {
  TempFolder tmp;
  std::string locked = tmp.Write("locked.txt", "old", 0444);
  EXPECT_TRUE(IsReadOnly(locked));
  try {
    WriteWholeFile(locked, "new");
    ADD_FAILURE() << "a read-only file was written";
  } catch (const vb::Error& e) {
    EXPECT_EQ(e.number(), 75);
    EXPECT_EQ(e.description(), "Path/File access error");
  }
  EXPECT_EQ(Contents(locked), "old");

  std::string kept = tmp.Write("kept.txt", "old", 0640);
  WriteWholeFile(kept, std::string("new\0bytes\xff", 10));
  EXPECT_EQ(Contents(kept), std::string("new\0bytes\xff", 10));
  EXPECT_EQ(Mode(kept), 0640u);
  EXPECT_FALSE(IsReadOnly(kept));

  // A symbolic link is written through and stays a link.
  std::string link = tmp / "link.txt";
  ASSERT_EQ(symlink(kept.c_str(), link.c_str()), 0);
  WriteWholeFile(link, "via link");
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(Contents(kept), "via link");

  WriteWholeFile(tmp / "fresh.txt", "");
  EXPECT_EQ(ReadWholeFile(tmp / "fresh.txt"), "");
  EXPECT_THROW(WriteWholeFile(tmp / "no/such/folder.txt", "x"), vb::Error);
  EXPECT_THROW(WriteWholeFile(tmp.path(), "x"), vb::Error);
  EXPECT_EQ(ReadWholeFile(tmp / "missing.txt"), std::nullopt);
  // Nothing but what was asked for is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.path()), {}), 4);
}

// Only regular files are read whole, and only up to the limit; anything else is refused at once
// with the reason, never waited on.
TEST(WholeFile, ReadsOnlyRegularFilesUpToTheLimit) {
  TempFolder tmp;
  std::string fifo = tmp / "pipe.vbp";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string file = tmp.Write("ten.txt", "0123456789");
  struct Case {
    std::string path;
    std::size_t limit;
    std::optional<std::string> bytes;
    bool missing;
    std::string why;
  };
  const Case cases[] = {
      {file, 10, "0123456789", false, ""},
      {file, 9, std::nullopt, false, "is larger than 9 bytes"},
      {fifo, kWholeFileLimit, std::nullopt, false, "is a FIFO, not a regular file"},
      {tmp.path(), kWholeFileLimit, std::nullopt, false, "is a folder, not a regular file"},
      {"/dev/zero", kWholeFileLimit, std::nullopt, false, "is a character device, not a regular file"},
      {tmp / "missing.txt", kWholeFileLimit, std::nullopt, true, "does not exist"},
      {tmp / "ten.txt/below", kWholeFileLimit, std::nullopt, true, "does not exist"},
  };
  // A reader that waits on the FIFO ends the test binary here instead of hanging the suite.
  alarm(30);
  for (const Case& c : cases) {
    WholeFile read = ReadRegularFile(c.path, c.limit);
    EXPECT_EQ(read.bytes, c.bytes) << c.path;
    EXPECT_EQ(read.missing, c.missing) << c.path;
    EXPECT_EQ(read.why, c.why) << c.path;
  }
  EXPECT_EQ(ReadWholeFile(fifo), std::nullopt);
  alarm(0);
}

}  // namespace
}  // namespace posix
