// Where archives are found and made, and what kind of archive a file gets.
#include "engine_fixture.hpp"

namespace testing_support {
namespace {

using namespace std::string_literals;

// New files, and archives made before without -kb (plain ci, so no work file is left), which are
// made binary before the engine writes the work file: a companion by its name, another by a NUL.
TEST_F(EngineTest, FilesThatAreNotTextComeBackByteForByte) {
  // Keywords RCS would expand, a NUL byte, a CR LF: a companion file's offsets must survive.
  const std::string frx = "lt\0\x01$Id$ $Log$\r\n$Revision$ end\n"s, gif = "GIF89a\0\0$Id$\n"s;
  const struct {
    std::string name, contents;
    bool old, binary;
  } cases[] = {
      {"FORM1.FRX", frx, false, true},        {"LOGO.GIF", gif, false, true},
      {"TEXTUAL.FRX", "$Id$\n", false, true}, {"MODULE1.BAS", "' $Revision$\n", false, false},
      {"OLD.FRX", frx, true, true},           {"OLD.DAT", gif, true, true},
  };
  std::string names;
  for (const auto& c : cases) {
    Write(c.name, c.contents);
    if (c.old) Rcs("ci", {"-i", "-t-x", "-mold", Archive(c.name), Path(c.name)});
    names += (names.empty() ? "" : ",") + Windows(c.name);
  }
  EXPECT_EQ(StatusLines(Run("UW " + names))[0], "4 of 6 files updated");
  EXPECT_EQ(StatusLines(Run("EW " + names))[0], "6 of 6 files extracted");
  for (const auto& c : cases) {
    EXPECT_EQ(Contents(Archive(c.name)).find("\nexpand\t@b@;") != std::string::npos, c.binary) << c.name;
    EXPECT_TRUE(!c.binary || Contents(Path(c.name)) == c.contents) << c.name;
  }
  EXPECT_EQ(Contents(Path("MODULE1.BAS")).substr(0, 13), "' $Revision: ");  // text keeps its keywords
}

// One WNORB.INI with a central archive folder, and an engine for each user whose home folder
// is home/<user>: copies of one project meet, projects with the same names never.
TEST_F(EngineTest, CopiesOfOneProjectMeetAndProjectsWithTheSameNamesNever) {
  tmp_.MakeDir("ARCH");
  tmp_.Write("WNORB.INI", "[Engine]\nArchives=" + tmp_.Windows("ARCH") + "\n");
  auto ask = [&](const std::string& user, const std::string& command, const std::string& name) {
    EngineSetup setup = DefaultSetup();
    setup.login_name = user;
    setup.home_folder = tmp_.MakeDir("home/" + user);
    return Engine(std::move(setup)).Execute(command + " " + tmp_.Windows("home/" + user + "/" + name));
  };
  for (const char* name : {"vb/app/Form1.frm", "vb/app/sub/Form1.frm", "vb/other/Form1.frm"}) {
    tmp_.Write("home/ann/"s + name, name);
    EXPECT_EQ(StatusLines(ask("ann", "UW", name))[0], "1 of 1 files updated");
    EXPECT_TRUE(std::filesystem::exists(tmp_ / ("ARCH/"s + name + ",v"))) << name;
  }
  // bob's copy of app, in his own home folder, meets ann's archives.
  tmp_.Write("home/bob/vb/app/Form1.frm", "bob's stale copy\n", 0444);
  EXPECT_EQ(StatusLines(ask("bob", "EW", "vb/app/Form1.frm"))[1],
            tmp_.Windows("home/bob/vb/app/Form1.frm") + ": revision 1.1 extracted and locked");
  EXPECT_EQ(Contents(tmp_ / "home/bob/vb/app/Form1.frm"), "vb/app/Form1.frm");
}

// Where a file's archive is: an existing one beside the file before the RCS folder, a flat one in
// the archive folder moved once to its project; a relative archive folder keeps, below it, the
// folders its path still climbs out of once resolved within itself. A file outside the projects
// folder, or an archive folder that is not there, is an error.
TEST_F(EngineTest, EachFileFindsOrMakesItsArchiveWhereTheSettingsSay) {
  const std::string arch = "Archives=" + tmp_.Windows("ARCH") + "\nProjects=" + tmp_.Windows("work") + "\n";
  const struct {
    std::string ini, file, existing, archive;
  } cases[] = {
      {"", "proj/B.FRM", "proj/B.FRM,v", "proj/B.FRM,v"},
      {"Archives=..\\STORE\n", "proj/A.FRM", "", "STORE/proj/A.FRM,v"},
      {"Archives=..\\STORE\n", "proj2/A.FRM", "", "STORE/proj2/A.FRM,v"},
      {"Archives=X\\..\\..\\ARC\n", "proj/forms/MAIN.FRM", "", "proj/ARC/forms/MAIN.FRM,v"},
      {arch, "work/app/MAIN.BAS", "ARCH/MAIN.BAS,v", "ARCH/app/MAIN.BAS,v"},
      {arch, "work/other/MAIN.BAS", "", "ARCH/other/MAIN.BAS,v"},  // no history of app's namesake
      {arch, "work/TOP.BAS", "", "ARCH/TOP.BAS,v"},                // right in the projects folder
  };
  tmp_.MakeDir("ARCH");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ini + c.file);
    tmp_.Write("WNORB.INI", "[Engine]\n" + c.ini);
    tmp_.Write(c.file, c.file + "\n");
    if (!c.existing.empty()) Rcs("ci", {"-l", "-i", "-t-x", "-mx", tmp_ / c.existing, tmp_ / c.file});
    const std::string name = tmp_.Windows(c.file);
    EXPECT_EQ(Run("UW " + name),
              "1 of 1 files updated\r\n" + name +
                  (c.existing.empty() ? ": archive created with revision 1.1; work file read-only\r\n"
                                      : ": unchanged; revision 1.1 kept, lock released\r\n"));
    EXPECT_NE(Contents(tmp_ / c.archive).find(c.file + "\n"), std::string::npos);
    EXPECT_EQ(std::filesystem::exists(tmp_ / c.existing), c.existing.empty() || c.existing == c.archive);
  }
  EXPECT_FALSE(std::filesystem::exists(Archive("B.FRM")));
  Write("A.FRM", "a\n");
  EXPECT_EQ(Run("UW " + Windows("A.FRM")),
            "ERROR: " + Windows("A.FRM") + " is outside the projects folder " + tmp_.Windows("work") +
                " (Projects=), whose layout the archive folder keeps; nothing was done\r\n");
  // An archive folder that vanished is an error, not a new history; once it is back, only the
  // folders below it are made.
  tmp_.Write("WNORB.INI",
             "[Engine]\nArchives=" + tmp_.Windows("share\\rcs") + "\nProjects=" + tmp_.Windows() + "\n");
  for (const char* command : {"T ", "UW ", "L "}) {
    EXPECT_EQ(Run(command + Windows("A.FRM")),
              "ERROR: the archive folder " + tmp_.Windows("share\\rcs") +
                  " (Archives=) does not exist; is its drive or share there? Nothing was done\r\n");
  }
  EXPECT_FALSE(std::filesystem::exists(tmp_ / "share"));
  EXPECT_FALSE(ReadOnly(Path("A.FRM")));
  tmp_.MakeDir("share/rcs");
  EXPECT_EQ(StatusLines(Run("UW " + Windows("A.FRM")))[0], "1 of 1 files updated");
  EXPECT_TRUE(std::filesystem::exists(tmp_ / "share/rcs/proj/A.FRM,v"));
}

}  // namespace
}  // namespace testing_support
