#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "posix/directory.hpp"
#include "posix/file_system_posix.hpp"
#include "posix/path_resolver.hpp"
#include "posix/short_names.hpp"
#include "posix/windows_path.hpp"
#include "tests/support/temp_folder.hpp"
#include "tests/support/vb_error.hpp"
#include "vbrt/code_page.hpp"

namespace posix {
namespace {

using testing_support::ErrorOf;
using testing_support::ScopedCwd;
using testing_support::ScopedEnv;
using testing_support::TempFolder;
using Pairs = std::vector<std::pair<std::string, std::string>>;

TEST(DriveMap, ComesFromTheEnvironment) {
  {
    ScopedEnv unset("NORB_DRIVES", nullptr);
    EXPECT_EQ(DriveMap::FromEnvironment().drives(), (std::map<char, std::string>{{'C', "/"}}));
  }
  ScopedEnv drives("NORB_DRIVES", "c:=/;d:=/mnt/data//;;E:=/srv");
  DriveMap map = DriveMap::FromEnvironment();
  EXPECT_EQ(map.drives(), (std::map<char, std::string>{{'C', "/"}, {'D', "/mnt/data"}, {'E', "/srv"}}));
  EXPECT_EQ(map.Folder('e'), "/srv");
  for (const char* bad : {"C=/", "C:=relative", "1:=/x", "CD:=/x", "C:"}) {
    EXPECT_THROW(DriveMap::Parse(bad), std::invalid_argument) << bad;
  }
}

TEST(PathResolver, ToWindowsTakesTheLongestDriveFolder) {
  TempFolder tmp;
  ScopedCwd cwd(tmp.MakeDir("data/sub"));
  // Of two drives on one folder, the earlier letter.
  PathResolver paths(DriveMap::Parse("C:=/;F:=" + tmp / "data;D:=" + tmp / "data;E:=" + tmp / "data/deep"));
  for (const auto& [posix_path, windows] : Pairs{
           {"/home/ann/app/Main.frm", "C:\\home\\ann\\app\\Main.frm"},
           {tmp / "data/x/Y.frm", "D:\\x\\Y.frm"},
           {tmp / "data", "D:\\"},
           {tmp / "data/deep/z", "E:\\z"},
           {tmp / "database/z", tmp.Windows("database/z")},
           {tmp / "data/deep/../x/./y", "D:\\x\\y"},
           {"/", "C:\\"},
           {"f.txt", "D:\\sub\\f.txt"},
       }) {
    EXPECT_EQ(paths.ToWindows(posix_path), windows) << posix_path;
  }
  PathResolver only_d(DriveMap::Parse("D:=" + tmp / "data"));
  EXPECT_EQ(ErrorOf([&] { only_d.ToWindows("/etc/passwd"); }), vb::err::PathNotFound);
}

TEST(PathResolver, ToPosixFindsNamesAsWindowsWould) {
  TempFolder tmp;
  tmp.Write("Proj/Form1.frm", "");
  tmp.Write("Proj/FORM1.FRM", "");
  tmp.Write("Proj/Sub Dir/Module.bas", "");
  ScopedCwd cwd(tmp.MakeDir("data/x"));
  tmp.Write("data/x/y.frm", "");
  PathResolver paths(DriveMap::Parse("c:=/;D:=" + tmp / "data"));
  const std::string proj = tmp.Windows("Proj");
  for (const auto& [windows, posix_path] : Pairs{
           {proj + "\\Form1.frm", tmp / "Proj/Form1.frm"},  // the exact name wins
           {proj + "\\FORM1.FRM", tmp / "Proj/FORM1.FRM"},
           {proj + "\\form1.Frm", tmp / "Proj/FORM1.FRM"},  // then the first in byte order
           {proj + "/SUB DIR\\module.BAS", tmp / "Proj/Sub Dir/Module.bas"},
           {proj + "\\sue389~1\\Module.bas", tmp / "Proj/Sub Dir/Module.bas"},  // an alias leads to its name
           // Names still to be created are kept as given, below the last folder found.
           {proj + "\\sub dir\\New Dir\\New.FRM", tmp / "Proj/Sub Dir/New Dir/New.FRM"},
           {"d:\\X\\Y.FRM", tmp / "data/x/y.frm"},
           {"D:\\", tmp / "data"},
           {"D:\\..\\..\\x\\.\\y.frm", tmp / "data/x/y.frm"},  // ".." stops at the root
           // Relative to the current directory, which lies on D:.
           {"..\\X\\y.frm", tmp / "data/x/y.frm"},
           {"\\x\\y.frm", tmp / "data/x/y.frm"},
           {"D:y.frm", tmp / "data/x/y.frm"},
           {"C:etc", "/etc"},
       }) {
    EXPECT_EQ(paths.ToPosix(windows), posix_path) << windows;
  }
  EXPECT_EQ(ErrorOf([&] { paths.ToPosix("Q:\\x"); }), vb::err::PathNotFound);
}

// A path as long as the limit is taken, one character more is refused, and so is one holding a
// NUL, which POSIX would cut short; ten million characters are refused before any is looked at.
TEST(PathResolver, OverlongPathsAndNulsAreRefused) {
  TempFolder tmp;
  PathResolver paths(DriveMap::Parse("C:=/"));
  std::string longest = tmp.Windows("");
  while (longest.size() + 2 <= kMaxPathLength) longest += "\\a";
  longest.resize(kMaxPathLength, 'a');
  EXPECT_EQ(ErrorOf([&] { paths.ToPosix(longest); }), 0);
  EXPECT_EQ(paths.ToShort(longest + "a"), std::nullopt);
  // A name far too long, on purpose.
  const std::string huge(10'000'000, 'a');  // NOLINT(bugprone-string-constructor)
  for (const std::string& refused : {longest + "a", tmp.Windows("frm") + '\0' + "x.frm", huge}) {
    EXPECT_EQ(ErrorOf([&] { paths.ToPosix(refused); }), vb::err::BadFileNameOrNumber);
  }
  EXPECT_EQ(ErrorOf([&] { paths.ToWindows(std::string(kMaxPathLength + 1, '/')); }),
            vb::err::BadFileNameOrNumber);
}

// Windows names are in the code page, POSIX names UTF-8; a name the code page cannot spell is
// handed out by its alias, which leads back to it.
TEST(PathResolver, NamesCrossBetweenTheCodePageAndUtf8) {
  TempFolder tmp;
  tmp.Write("Тест Проект/Größe.bas", "");
  tmp.Write("Проект/Модуль.bas", "");
  PathResolver paths(DriveMap::Parse("C:=/"));
  FileSystemPosix files(paths);
  const std::string cyrillic = tmp.Windows("\xCF\xF0\xEE\xE5\xEA\xF2") + "\\\xCC\xEE\xE4\xF3\xEB\xFC.bas";

  ASSERT_EQ(vb::ActiveCodePage().number(), 1252);
  EXPECT_EQ(paths.ToWindows(tmp / "Тест Проект/Größe.bas"), tmp.Windows("_B8B9~1\\Gr\xF6\xDF\x65.bas"));
  EXPECT_EQ(paths.ToPosix(tmp.Windows("_b8b9~1\\GR\xD6\xDF\x45.BAS")), tmp / "Тест Проект/Größe.bas");
  EXPECT_EQ(files.Dir(tmp.Windows("_B8B9~1\\gr\xF6\xDF\x65.bas")), "Gr\xF6\xDF\x65.bas");
  // The same bytes under 1252 are other letters, of a folder that is not there.
  EXPECT_EQ(paths.ToPosix(cyrillic), tmp / "Ïðîåêò/Ìîäóëü.bas");

  ASSERT_TRUE(vb::SetActiveCodePage(1251));
  EXPECT_EQ(paths.ToPosix(cyrillic), tmp / "Проект/Модуль.bas");
  EXPECT_EQ(paths.ToPosix(tmp.Windows("\xEF\xF0\xEE\xE5\xEA\xF2\\\xEC\xEE\xE4\xF3\xEB\xFC.BAS")),
            tmp / "Проект/Модуль.bas");  // проект\модуль.BAS
  EXPECT_EQ(paths.ToWindows(tmp / "Тест Проект/Größe.bas"),
            tmp.Windows("\xD2\xE5\xF1\xF2 \xCF\xF0\xEE\xE5\xEA\xF2\\GR6015~1.BAS"));
  ASSERT_TRUE(vb::SetActiveCodePage(1252));
}

// A path of letters beyond ASCII has a short form under each code page, made of 8.3 names and
// aliases only, that leads back to the file; without one the add-in would send the long name,
// and the engine would split a name holding a comma.
TEST(PathResolver, ShortFormsOfNamesInEveryCodePage) {
  TempFolder tmp;
  PathResolver paths(DriveMap::Parse("C:=/"));
  const std::string base = *paths.ToShort(tmp.Windows("") + "\\");
  // The code page, the folder and the file (UTF-8), and their short form below the test's folder,
  // whose aliases hash the names' bytes in that code page.
  for (const auto& [code_page, folder, file, short_form] :
       std::vector<std::tuple<int, std::string, std::string, std::string>>{
           {1252, "Größe", "Größe,neu.bas", "GR0AC9~1\\GRBCC3~1.BAS"},
           {1252, "Projekte für die Lohnbuchhaltung der Abteilung Süd, Stand März", "Straße.frm",
            "PR4E3B~1\\ST67C6~1.FRM"},
           {1251, "Проект, версия 2", "Модуль данных.bas", "216D7~1\\BA4C19~1.BAS"},
           {1250, "Łódź projekt", "Żółw,nowy.bas", "DPDD5C~1\\WNA45A~1.BAS"},
           {1250, "Příliš žluťoučký kůň úpěl ďábelské ódy", "Kůň.cls", "PLAEB9~1\\KCA510~1.CLS"},
       }) {
    SCOPED_TRACE(file);
    tmp.Write(folder + "/" + file, "");
    tmp.Write(folder + "/neu.bas", "");
    ASSERT_TRUE(vb::SetActiveCodePage(code_page));
    const std::string windows_folder = tmp.Windows(*vb::ActiveCodePage().FromUtf8(folder));
    EXPECT_EQ(paths.ToShort(windows_folder + "\\" + *vb::ActiveCodePage().FromUtf8(file)), base + short_form);
    EXPECT_EQ(paths.ToShort(windows_folder + "\\"), base + short_form.substr(0, short_form.find('\\') + 1));
    EXPECT_EQ(paths.ToPosix(base + short_form), tmp / folder + "/" + file);
  }
  ASSERT_TRUE(vb::SetActiveCodePage(1252));
}

TEST(WindowsPath, LexicalWorkAsTheIdeDoesIt) {
  for (const auto& [got, want] : Pairs{
           {CombineWindowsPath("C:\\a\\b", "..\\..\\..\\c\\.\\d.frm"), "C:\\c\\d.frm"},
           {CombineWindowsPath("C:\\a\\b\\", "x/y.bas"), "C:\\a\\b\\x\\y.bas"},
           {CombineWindowsPath("C:\\a", "d:\\z.frm"), "d:\\z.frm"},
           {CombineWindowsPath("C:\\a", "d:"), "d:\\"},  // a drive alone is absolute too
           {CombineWindowsPath("C:\\a", ".."), "C:\\"},
           {WindowsFolderOf("C:\\X.VBP"), "C:\\"},
           {WindowsFolderOf("C:\\a\\b\\File.frm"), "C:\\a\\b"},
           {WindowsFileNameOf("C:\\a\\File.frm"), "File.frm"},
           {ExtensionOf("C:\\a.b\\File"), ""},
           {WithoutExtension("My.File.frm"), "My.File"},
           {WithoutExtension(".frm"), ".frm"},
       }) {
    EXPECT_EQ(got, want);
  }
}

TEST(ShortNames, ValidityRules) {
  for (const char* name : {"A", "form1.frm", "ABCDEFGH", "ABCDEFGH.ABC", "x.y", "!#$%&'()", "-@^_`{}~.~!#"})
    EXPECT_TRUE(IsValidShortName(name)) << name;
  for (char c : std::string(",+;=[] \t/\\\"*?\xe9")) {
    EXPECT_FALSE(IsValidShortName(std::string("a") + c + "b")) << "'" << c << "'";
    EXPECT_FALSE(IsValidShortName(std::string("ab.c") + c)) << "'" << c << "'";
  }
  for (const char* name : {"", "ABCDEFGHI", "ABCDEFGHI.TXT", "A.ABCD", "A.", ".A", "A.B.C", ".."})
    EXPECT_FALSE(IsValidShortName(name)) << name;
}

TEST(ShortNames, AliasesAreTheFoldedFnv1aHashOfTheLongName) {
  const std::pair<std::string, std::string> aliases[] = {
      {"My File.frm", "MY512F~1.FRM"},    // the example in docs/short-names.md
      {"a b", "ABE951~1"},                // no dot: no extension
      {"+++", "_2216~1"},                 // no valid character at all
      {".bashrc", "BA68CA~1"},            // a leading dot starts no extension
      {"archive.tar.gz", "ARB129~1.GZ"},  // the last dot counts
      {"x.frm backup", "XFE2FC~1.FRM"},   // blanks dropped, three kept
      {"notes.+;", "NOCEE6~1"},           // an extension of nothing valid is none
      {"\xe9t\xe9 long", "TL1408~1"},
  };
  for (const auto& [long_name, alias] : aliases) EXPECT_EQ(AliasCandidate(long_name, 1), alias);
  EXPECT_EQ(AliasCandidate("My File.frm", 10), "MY512~10.FRM");
}

TEST(ShortNames, CollisionsTakeTheNextNumber) {
  // A real 8.3 sibling owns the alias (case aside), so the long name moves on to ~2.
  EXPECT_EQ(ShortNameAmong({"My File.frm", "my512f~1.frm"}, "My File.frm"), "MY512F~2.FRM");
  // Two long names of one hash: the earlier in byte order keeps ~1, whatever the listing order.
  EXPECT_EQ(ShortNameAmong({"My File 287.frm", "My File 156.frm"}, "My File 156.frm"), "MY8616~1.FRM");
  EXPECT_EQ(ShortNameAmong({"My File 156.frm", "My File 287.frm"}, "My File 156.frm"), "MY8616~1.FRM");
  const std::vector<std::string> siblings{"My File 287.frm", "My File 156.frm", "my8616~2.frm"};
  EXPECT_EQ(ShortNameAmong(siblings, "My File 287.frm"), "MY8616~3.FRM");
  EXPECT_EQ(LongNameOfAlias(siblings, "my8616~3.frm"), "My File 287.frm");
  EXPECT_EQ(LongNameOfAlias(siblings, "MY8616~2.FRM"), std::nullopt);  // a real name, not an alias
}

}  // namespace
}  // namespace posix
