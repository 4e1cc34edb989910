#include <gtest/gtest.h>

#include "posix/path_resolver.hpp"
#include "tests/addin/module_fixture.hpp"
#include "vbrt/strings.hpp"

namespace {

using testing_support::ErrorNumber;
using testing_support::ModuleFixture;
using testing_support::TempFolder;

// Creates an empty file below the folder; answers its Windows path.
std::string Touch(const TempFolder& tmp, const std::string& relative) {
  tmp.Write(relative, "");
  return tmp.Windows(relative);
}

struct FileNames : ::testing::Test {
  ModuleFixture fx{true};
  norb::MainModule& m = *fx.m;
  TempFolder tmp;
  posix::PathResolver resolver{posix::DriveMap::Parse("C:=/")};

  std::string Short(const std::string& windows_path) { return resolver.ToShort(windows_path).value(); }
  std::string FileShort(std::string path) {
    m.ShortFileName(path);
    return path;
  }
  std::string DirShort(std::string path) {
    m.ShortDirName(path);
    return path;
  }
};

TEST_F(FileNames, ShortNamesOnlyWhereBlanksOrLengthAskForThem) {
  // Short enough and blank-free: unchanged, even though the temp folder's own name is long.
  std::string plain = Touch(tmp, "VB/APP.FRM");
  EXPECT_EQ(FileShort(plain), plain);
  std::string long_name = Touch(tmp, "VB/LongModuleName.bas");
  EXPECT_EQ(FileShort(long_name), long_name);  // a long name without blanks stays long

  // A blank in the file name only: only the file part is replaced.
  std::string blank_file = Touch(tmp, "VB/My Form.frm");
  std::string short_file = Short(blank_file);
  EXPECT_EQ(FileShort(blank_file), tmp.Windows("VB\\") + short_file.substr(short_file.rfind('\\') + 1));

  // A blank in the directory only: the directory's short form, the file part as it was.
  std::string blank_dir = Touch(tmp, "My Dir/main.frm");
  std::string expected_dir = Short(tmp.Windows("My Dir\\"));
  EXPECT_EQ(FileShort(blank_dir), expected_dir + "main.frm");
}

TEST_F(FileNames, DirectoriesLongerThan67CharactersAreShortened) {
  // Folder names that bring the directory, trailing backslash included, to 67 and 68 characters.
  std::size_t base = tmp.Windows().size() + 1;  // the temp folder and the backslash after it
  std::string dir67(67 - base - 1, 'd');
  std::string dir68(68 - base - 1, 'e');
  std::string f67 = Touch(tmp, dir67 + "/Module1.bas");
  std::string f68 = Touch(tmp, dir68 + "/Module1.bas");
  ASSERT_EQ(f67.size() - std::string("Module1.bas").size(), 67u);
  ASSERT_EQ(f68.size() - std::string("Module1.bas").size(), 68u);
  EXPECT_EQ(FileShort(f67), f67);
  EXPECT_EQ(FileShort(f68), Short(tmp.Windows(dir68 + "\\")) + "Module1.bas");
}

// One trailing backslash on a directory's short form; what cannot be shortened raises 5.
TEST_F(FileNames, ShortDirNameKeepsExactlyOneTrailingBackslashAndTheUnshortenableRaise) {
  Touch(tmp, "Project Files/x.bas");
  std::string dir = tmp.Windows("Project Files\\");
  std::string s = DirShort(dir);
  EXPECT_EQ(s, Short(dir));
  EXPECT_EQ(s.substr(s.size() - 2).find('\\'), 1u);
  EXPECT_EQ(s.find_first_of(std::string(" \0", 2)), std::string::npos);

  EXPECT_EQ(ErrorNumber([&] { FileShort("APP.FRM"); }), 5);                   // no backslash at all
  EXPECT_EQ(ErrorNumber([&] { FileShort(tmp.Windows("No Such.frm")); }), 5);  // nothing on disk to shorten
  EXPECT_EQ(ErrorNumber([&] { DirShort(tmp.Windows("missing\\")); }), 5);
  ModuleFixture fake_win32;
  fake_win32.fake.win32.AddPath("APP");  // a name the system shortens to itself, with no "\" to stop at
  std::string path = "APP";
  EXPECT_EQ(ErrorNumber([&] { fake_win32.m->ShortDirName(path); }), 5);
  EXPECT_EQ(path, "APP");
}

TEST_F(FileNames, CommasNeverReachTheEngineInsideAName) {
  // The engine splits its file lists at ",": such names get their short form, which has none.
  std::string comma_file = Touch(tmp, "VB/a,b.frm");
  std::string s = FileShort(comma_file);
  EXPECT_EQ(s.find(','), std::string::npos);
  EXPECT_EQ(s, tmp.Windows("VB\\") + Short(comma_file).substr(Short(comma_file).rfind('\\') + 1));
  std::string comma_dir = Touch(tmp, "x,y/f.frm");
  s = FileShort(comma_dir);
  EXPECT_EQ(s.find(','), std::string::npos);
  EXPECT_EQ(s, Short(tmp.Windows("x,y\\")) + "f.frm");
  // And the short form still names the same file.
  EXPECT_EQ(resolver.ToPosix(s), tmp.path() + "/x,y/f.frm");
}

}  // namespace
