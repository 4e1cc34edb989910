#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "engine_fixture.hpp"
#include "wnorb16/rcs/rcs_store.hpp"

namespace testing_support {
namespace {

TEST_F(EngineTest, LockQueryAnswersEachState) {
  // A file without an archive, asked about.
  Write("NEW.FRM", "new\n");
  const std::string fresh = Windows("NEW.FRM");
  for (const std::string& command : {"T " + fresh, "L " + fresh, "-C " + fresh + " " + fresh})
    EXPECT_TRUE(Run(command).ends_with(fresh + ": NO LOCK FILE\r\n")) << command;
  Archived("FORM1.FRM", "one\n");
  const std::string name = Windows("FORM1.FRM");
  EXPECT_EQ(Run("T " + name), name + " is not checked out\r\n");
  // Symbolic names make the header longer than one read.
  std::vector<std::string> symbols;
  symbols.reserve(701);
  for (int i = 0; i < 700; ++i) symbols.push_back("-nRELEASE_NAME_NUMBER_" + std::to_string(i) + ":1.1");
  symbols.push_back(Archive("FORM1.FRM"));
  Rcs("rcs", symbols);
  LockAs(kUser, "FORM1.FRM");
  ASSERT_GT(Contents(Archive("FORM1.FRM")).find("\ndesc\n"), 16384u + 100);
  EXPECT_EQ(Run("T " + name), Locked(name, "you", "ann", "1.1"));
  // Several locks: the user's own first, else the first the archive lists; a long holder is cut.
  const std::string multi = Windows("MULTI.BAS");
  Archived("MULTI.BAS", "1\n");
  LockAs(kUser, "MULTI.BAS");
  Write("MULTI.BAS", "2\n");
  Rcs("ci", {"-l", "-m2", Archive("MULTI.BAS"), Path("MULTI.BAS")});  // 1.2, still ann's
  Rcs("rcs", {"-l1.1", Archive("MULTI.BAS")}, "a_user_name_of_thirty_two_chars");
  EXPECT_EQ(Run("T " + multi), Locked(multi, "you", "ann", "1.2"));
  Rcs("rcs", {"-u1.2", Archive("MULTI.BAS")});
  EXPECT_EQ(Run("T " + multi), Locked(multi, "someone else", "a_user_name_of_thirty_two_ch", "1.1"));
}

// The engine keeps the locks of an archive unchanged for two seconds. A change after that shows
// even when it keeps the archive's file, size and modification time, as an editor may.
TEST_F(EngineTest, LockQuerySeesAChangeToAnArchiveItAnsweredBefore) {
  Archived("FORM1.FRM", "one\n");
  const std::string name = Windows("FORM1.FRM"), archive = Archive("FORM1.FRM");
  LockAs("bob", "FORM1.FRM");
  std::this_thread::sleep_for(std::chrono::milliseconds(2100));
  EXPECT_EQ(Run("T " + name), Locked(name, "someone else", "bob", "1.1"));
  std::string text = Contents(archive);
  const auto at = text.find("bob:1.1");
  ASSERT_NE(at, std::string::npos) << text;
  text.replace(at, 3, "eve");
  struct stat before;
  ASSERT_EQ(stat(archive.c_str(), &before), 0);
  ASSERT_EQ(chmod(archive.c_str(), 0644), 0);
  std::ofstream(archive, std::ios::binary | std::ios::trunc) << text;
  const struct timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(utimensat(AT_FDCWD, archive.c_str(), times, 0), 0);
  ASSERT_EQ(chmod(archive.c_str(), before.st_mode & 07777), 0);
  EXPECT_EQ(Run("T " + name), Locked(name, "someone else", "eve", "1.1"));
  // Changed again by RCS at once: read again, as it has changed within the two seconds.
  Rcs("rcs", {"-u", archive}, "eve");
  EXPECT_EQ(Run("T " + name), name + " is not checked out\r\n");
}

// A shared folder's client may answer the status an archive had before another machine changed
// it. The status given with both queries below stands for that: bob's lock changes the archive,
// not the status. Only where the file system is local may the kept locks answer; the file system
// is asked once per device.
TEST_F(EngineTest, KeptLocksAnswerOnlyOnALocalFileSystem) {
  for (const bool local : {true, false}) {
    SCOPED_TRACE(local ? "local" : "shared");
    int asked = 0;
    rcs::RcsSetup setup{posix::PathResolver(), tmp_.path(), "", std::chrono::milliseconds(300), ""};
    setup.local_file_system = [&](const std::string&) {
      ++asked;
      return local;
    };
    const rcs::RcsStore store(std::move(setup));
    std::vector<WorkFile> files;
    for (const std::string name : {"A.FRM", "B.BAS"}) {
      Archived(name, name);
      WorkFile file;
      file.work = Path(name);
      file.record = Archive(name);
      file.record_folder = tmp_ / "proj/RCS";
      file.under_control = true;
      file.record_status = StatusOf(file.record);
      // Old enough to be kept.
      file.record_status->modified_ns -= 10'000'000'000;
      file.record_status->changed_ns -= 10'000'000'000;
      ASSERT_TRUE(store.Read(file, RecordPart::kLocks)->locks.empty());
      Rcs("rcs", {"-l", file.record}, "bob");
      files.push_back(std::move(file));
    }
    for (const WorkFile& file : files) {
      const std::optional<FileRecord> record = store.Read(file, RecordPart::kLocks);
      ASSERT_TRUE(record);
      const std::vector<FileLock> bobs{{"bob", "1.1"}};
      EXPECT_EQ(record->locks, local ? std::vector<FileLock>() : bobs);
    }
    EXPECT_EQ(asked, 1);
    for (const WorkFile& file : files) std::filesystem::remove(file.record);
  }
}

// The same, on a real shared folder whose client keeps attributes for 30 s (bindfs over FUSE, as
// NFS and SMB clients do): bob locks the file on the server; ann's engine, which answered before,
// sees his lock at once.
TEST_F(EngineTest, LockQueryOnAFolderWhoseClientKeepsAttributes) {
  if (access("/dev/fuse", R_OK | W_OK) != 0) GTEST_SKIP() << "no /dev/fuse this test may use";
  const std::string server = tmp_.MakeDir("server/RCS"), client = tmp_ / "proj";
  std::filesystem::remove_all(client);
  std::filesystem::create_directory(client);
  const std::string said = tmp_ / "bindfs.txt";
  if (std::system(
          ("bindfs -o attr_timeout=30 '" + tmp_ / "server' '" + client + "' >'" + said + "' 2>&1").c_str()))
    GTEST_SKIP() << "no FUSE mount could be made with bindfs: " << Contents(said);
  struct Unmount {
    std::string folder;
    ~Unmount() {
      if (std::system(("fusermount -u -z '" + folder + "' || umount -l '" + folder + "'").c_str()) != 0)
        ADD_FAILURE() << "cannot unmount " << folder;
    }
  } unmount{client};
  ASSERT_FALSE(OnLocalFileSystem(client));
  ASSERT_TRUE(OnLocalFileSystem(server)) << "the test's temporary folder is not on a local disk";
  Archived("FORM1.FRM", "one\n");
  const std::string name = Windows("FORM1.FRM");
  std::this_thread::sleep_for(std::chrono::milliseconds(2100));
  // Asked twice, as each of the add-in's passes does: a read of the archive makes the client ask
  // the server for its attributes again, the status of the second query is the one it then keeps.
  for (int pass = 0; pass < 2; ++pass) EXPECT_EQ(Run("T " + name), name + " is not checked out\r\n");
  Rcs("rcs", {"-l", server + "/FORM1.FRM,v"}, "bob");
  EXPECT_EQ(Run("T " + name), Locked(name, "someone else", "bob", "1.1"));
}

TEST_F(EngineTest, NamesAreShortOrRelativeToTheFolderOfTheLastCd) {
  Archived("my form, v2.frm", "x\n");
  LockAs("bob", "my form, v2.frm");
  Write("my form, v2.frm", "x\n", 0444);  // bob's copy is elsewhere
  tmp_.MakeDir("proj/long folder name/sub");
  const std::string short_name = Short("my form, v2.frm");
  ASSERT_EQ(short_name.find_first_of(" ,"), std::string::npos) << short_name;
  EXPECT_TRUE(Run("T " + short_name).starts_with(short_name + " is checked out to someone else\r\n"));

  const std::string relative = short_name.substr(short_name.rfind('\\') + 1);
  EXPECT_EQ(Run("CD " + Short("long folder name")), "OK");
  EXPECT_EQ(Run("CD SUB"), "OK");
  EXPECT_EQ(Run("CD ..\\..\\"), "OK");
  const std::string held = relative + " is checked out to someone else\r\n";
  EXPECT_TRUE(Run("T " + relative).starts_with(held));
  // "C:NAME" is relative to the current folder of drive C:, which CD made ours.
  EXPECT_TRUE(Run("T " + short_name.substr(0, 2) + relative).starts_with(short_name.substr(0, 2) + held));
  EXPECT_EQ(Run("CD " + tmp_.Windows("nowhere")), "ERROR: no folder " + tmp_.Windows("nowhere") + "\r\n");
  EXPECT_TRUE(Run("T " + relative).starts_with(held));  // the folder stayed
  // A read-only copy of a file someone else has out is everyone's to take.
  EXPECT_EQ(Run("EBW " + relative),
            "1 of 1 files extracted\r\n" + relative + ": revision 1.1 extracted read-only\r\n");
}

}  // namespace
}  // namespace testing_support
