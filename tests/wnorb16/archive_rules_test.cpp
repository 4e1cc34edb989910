// Where archives are found and made, and what kind of archive a file gets.
#include "engine_fixture.hpp"

namespace testing_support {
namespace {

using namespace std::string_literals;

bool BinaryArchive(const std::string& archive) {
  return Contents(archive).find("\nexpand\t@b@;") != std::string::npos;
}

TEST_F(EngineTest, FilesThatAreNotTextComeBackByteForByte) {
  // Keywords RCS would expand, a NUL byte, a CR LF: a companion file's offsets must survive.
  const std::string frx = "lt\0\x01$Id$ $Log$\r\n$Revision$ end\n"s;
  const std::string gif = "GIF89a\0\0$Id$\n"s;
  Write("FORM1.FRX", frx);
  Write("LOGO.GIF", gif);
  Write("MODULE1.BAS", "' $Revision$\n");
  const std::string files = Windows("FORM1.FRX") + "," + Windows("LOGO.GIF") + "," + Windows("MODULE1.BAS");
  EXPECT_EQ(StatusLines(Run("UW " + files))[0], "3 of 3 files updated");
  EXPECT_EQ(Contents(Path("FORM1.FRX")), frx);
  EXPECT_EQ(Contents(Path("LOGO.GIF")), gif);
  EXPECT_TRUE(BinaryArchive(Archive("FORM1.FRX")));
  EXPECT_TRUE(BinaryArchive(Archive("LOGO.GIF")));
  EXPECT_FALSE(BinaryArchive(Archive("MODULE1.BAS")));  // text keeps its keywords
  EXPECT_EQ(Contents(Path("MODULE1.BAS")).substr(0, 13), "' $Revision: ");
  Write("TEXTUAL.FRX", "$Id$\n");  // a companion is binary by its name, NUL or not
  Run("UW " + Windows("TEXTUAL.FRX"));
  EXPECT_TRUE(BinaryArchive(Archive("TEXTUAL.FRX")));

  EXPECT_EQ(StatusLines(Run("EW " + files))[0], "3 of 3 files extracted");
  EXPECT_EQ(Contents(Path("FORM1.FRX")), frx);
  EXPECT_EQ(Contents(Path("LOGO.GIF")), gif);

  // Archives made before without -kb (plain ci, so no work file is left): made binary before the
  // engine writes the work file, the companion by its name, the other by the NUL in its archive.
  Write("OLD.FRX", frx);
  Rcs("ci", {"-i", "-t-x", "-mold", Archive("OLD.FRX"), Path("OLD.FRX")});
  Write("OLD.DAT", gif);
  Rcs("ci", {"-i", "-t-x", "-mold", Archive("OLD.DAT"), Path("OLD.DAT")});
  EXPECT_EQ(StatusLines(Run("EBW " + Windows("OLD.FRX") + "," + Windows("OLD.DAT")))[0],
            "2 of 2 files extracted");
  EXPECT_EQ(Contents(Path("OLD.FRX")), frx);
  EXPECT_EQ(Contents(Path("OLD.DAT")), gif);
  EXPECT_TRUE(BinaryArchive(Archive("OLD.FRX")));
  EXPECT_TRUE(BinaryArchive(Archive("OLD.DAT")));
}

TEST_F(EngineTest, AnArchiveBesideTheFileIsTheFilesArchiveThoughAnRcsFolderExists) {
  const std::string beside = tmp_ / "proj/B.FRM,v";
  Write("B.FRM", "b\n");
  Rcs("ci", {"-u", "-i", "-t-x", "-mb", beside, Path("B.FRM")});
  Rcs("co", {"-l", beside, Path("B.FRM")}, "bob");
  const std::string b = Windows("B.FRM");
  EXPECT_TRUE(Run("T " + b).starts_with(b + " is checked out to someone else\r\n"));

  Write("B.FRM", "ann's own copy\n");
  EXPECT_EQ(Run("UW " + b), "0 of 1 files updated\r\n" + b + ": checked out to bob; left alone\r\n");
  EXPECT_FALSE(std::filesystem::exists(Archive("B.FRM")));

  Rcs("rcs", {"-u", beside}, "bob");
  Write("B.FRM", "b\n", 0444);
  EXPECT_EQ(StatusLines(Run("EW " + b))[1], b + ": revision 1.1 extracted and locked");
  EXPECT_NE(Contents(beside).find("ann:1.1;"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Archive("B.FRM")));
}

// One WNORB.INI with a central archive folder, and an engine for each user whose home folder
// is home/<user>.
class CentralArchivesTest : public EngineTest {
 protected:
  CentralArchivesTest() {
    tmp_.MakeDir("ARCH");
    tmp_.Write("WNORB.INI", "[Engine]\nArchives=" + tmp_.Windows("ARCH") + "\n");
  }
  std::string Ask(const std::string& user, const std::string& command, const std::string& name) {
    EngineSetup setup = Setup();
    setup.login_name = user;
    setup.home_folder = tmp_.MakeDir("home/" + user);
    return Engine(std::move(setup)).Execute(command + " " + tmp_.Windows("home/" + user + "/" + name));
  }
};

TEST_F(CentralArchivesTest, CopiesOfOneProjectMeetAndProjectsWithTheSameNamesNever) {
  tmp_.Write("home/ann/vb/app/Form1.frm", "app form\n");
  tmp_.Write("home/ann/vb/app/sub/Form1.frm", "sub form\n");
  tmp_.Write("home/ann/vb/other/Form1.frm", "other form\n");
  for (const char* name : {"vb/app/Form1.frm", "vb/app/sub/Form1.frm", "vb/other/Form1.frm"}) {
    EXPECT_EQ(StatusLines(Ask("ann", "UW", name))[0], "1 of 1 files updated");
    EXPECT_TRUE(std::filesystem::exists(tmp_ / ("ARCH/"s + name + ",v"))) << name;
  }
  // bob's copy of app, in his own home folder, meets ann's archives.
  tmp_.Write("home/bob/vb/app/Form1.frm", "bob's stale copy\n", 0444);
  EXPECT_EQ(StatusLines(Ask("bob", "EW", "vb/app/Form1.frm"))[1],
            tmp_.Windows("home/bob/vb/app/Form1.frm") + ": revision 1.1 extracted and locked");
  EXPECT_EQ(Contents(tmp_ / "home/bob/vb/app/Form1.frm"), "app form\n");
  EXPECT_TRUE(Ask("ann", "T", "vb/app/Form1.frm").find(" is checked out to someone else\r\n") !=
              std::string::npos);
  EXPECT_TRUE(Ask("ann", "T", "vb/other/Form1.frm").ends_with(" is not checked out\r\n"));
}

TEST_F(CentralArchivesTest, AFlatArchiveMovesOnceToItsProjectAndTheProjectsFolderIsASetting) {
  tmp_.Write("WNORB.INI",
             "[Engine]\nArchives=" + tmp_.Windows("ARCH") + "\nProjects=" + tmp_.Windows("work") + "\n");
  tmp_.Write("work/app/MAIN.BAS", "main\n");
  Rcs("ci", {"-u", "-i", "-t-x", "-mflat", tmp_ / "ARCH/MAIN.BAS,v", tmp_ / "work/app/MAIN.BAS"});
  Rcs("rcs", {"-l", tmp_ / "ARCH/MAIN.BAS,v"}, "bob");
  const std::string main = tmp_.Windows("work\\app\\MAIN.BAS");
  EXPECT_TRUE(Run("T " + main).starts_with(main + " is checked out to someone else\r\n"));
  EXPECT_FALSE(std::filesystem::exists(tmp_ / "ARCH/MAIN.BAS,v"));
  EXPECT_NE(Contents(tmp_ / "ARCH/app/MAIN.BAS,v").find("bob:1.1;"), std::string::npos);

  // Another project's file of the same name finds no history of its own.
  tmp_.Write("work/other/MAIN.BAS", "other\n");
  EXPECT_EQ(Run("T " + tmp_.Windows("work\\other\\MAIN.BAS")),
            tmp_.Windows("work\\other\\MAIN.BAS") + ": NO LOCK FILE\r\n");

  // A file right in the projects folder is inside it.
  tmp_.Write("work/TOP.BAS", "top\n");
  EXPECT_EQ(StatusLines(Run("UW " + tmp_.Windows("work\\TOP.BAS")))[0], "1 of 1 files updated");
  EXPECT_TRUE(std::filesystem::exists(tmp_ / "ARCH/TOP.BAS,v"));

  // Outside the projects folder a file has no place in the archive folder.
  Write("A.FRM", "a\n");
  EXPECT_EQ(Run("UW " + Windows("A.FRM")),
            "ERROR: " + Windows("A.FRM") + " is outside the projects folder " + tmp_.Windows("work") +
                " (Projects=), whose layout the archive folder keeps; nothing was done\r\n");
}

// A relative archive folder keeps, below it, the folders its path climbs out of: only what is
// left climbing once the path is resolved within itself counts.
TEST_F(EngineTest, ARelativeArchivesFolderKeepsTheFoldersItClimbsOutOf) {
  const struct {
    std::string archives, file, archive;
  } cases[] = {
      {"..\\STORE", "proj/A.FRM", "STORE/proj/A.FRM,v"},
      {"..\\STORE", "proj2/A.FRM", "STORE/proj2/A.FRM,v"},
      {"X\\..\\..\\ARC", "proj/forms/MAIN.FRM", "proj/ARC/forms/MAIN.FRM,v"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archives + " " + c.file);
    tmp_.Write("WNORB.INI", "[Engine]\nArchives=" + c.archives + "\n");
    tmp_.Write(c.file, c.file + "\n");
    EXPECT_EQ(StatusLines(Run("UW " + tmp_.Windows(c.file)))[0], "1 of 1 files updated");
    EXPECT_NE(Contents(tmp_ / c.archive).find(c.file + "\n"), std::string::npos);
  }
}

TEST_F(EngineTest, AVanishedArchiveFolderIsAnErrorNotANewHistory) {
  tmp_.Write("WNORB.INI",
             "[Engine]\nArchives=" + tmp_.Windows("share\\rcs") + "\nProjects=" + tmp_.Windows() + "\n");
  Write("A.FRM", "a\n");
  const std::string refused =
      "ERROR: the archive folder " + tmp_.Windows("share\\rcs") +
      " (Archives=) does not exist; is its drive or share there? Nothing was done\r\n";
  EXPECT_EQ(Run("T " + Windows("A.FRM")), refused);
  EXPECT_EQ(Run("UW " + Windows("A.FRM")), refused);
  EXPECT_EQ(Run("L " + Windows("A.FRM")), refused);
  EXPECT_FALSE(std::filesystem::exists(tmp_ / "share"));
  EXPECT_FALSE(ReadOnly(Path("A.FRM")));

  // Once it is there, only the folders below it are made.
  tmp_.MakeDir("share/rcs");
  EXPECT_EQ(StatusLines(Run("UW " + Windows("A.FRM")))[0], "1 of 1 files updated");
  EXPECT_TRUE(std::filesystem::exists(tmp_ / "share/rcs/proj/A.FRM,v"));
}

}  // namespace
}  // namespace testing_support
