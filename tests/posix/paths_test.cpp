#include <gtest/gtest.h>

#include "posix/directory.hpp"
#include "posix/file_system_posix.hpp"
#include "posix/path_resolver.hpp"
#include "posix/short_names.hpp"
#include "tests/support/temp_folder.hpp"
#include "vbrt/code_page.hpp"
#include "vbrt/error.hpp"

namespace posix {
namespace {

using testing_support::ScopedCwd;
using testing_support::ScopedEnv;
using testing_support::TempFolder;

int ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const vb::Error& e) {
    return e.number();
  }
  return 0;
}

TEST(DriveMap, ParsesTheEnvironment) {
  {
    ScopedEnv drives("NORB_DRIVES", nullptr);
    DriveMap map = DriveMap::FromEnvironment();
    EXPECT_EQ(map.drives().size(), 1u);
    EXPECT_EQ(map.Folder('c'), "/");
  }
  ScopedEnv drives("NORB_DRIVES", "c:=/;d:=/mnt/data//;;E:=/srv");
  DriveMap map = DriveMap::FromEnvironment();
  EXPECT_EQ(map.Folder('C'), "/");
  EXPECT_EQ(map.Folder('D'), "/mnt/data");
  EXPECT_EQ(map.Folder('e'), "/srv");
  EXPECT_EQ(map.Folder('F'), std::nullopt);
  for (const char* bad : {"C=/", "C:=relative", "1:=/x", "CD:=/x", "C:"}) {
    EXPECT_THROW(DriveMap::Parse(bad), std::invalid_argument) << bad;
  }
}

TEST(PathResolver, ToWindowsByLongestPrefix) {
  TempFolder tmp;
  PathResolver paths(DriveMap::Parse("C:=/;D:=" + tmp / "data" + ";E:=" + tmp / "data/deep"));
  EXPECT_EQ(paths.ToWindows("/home/ann/app/Main.frm"), "C:\\home\\ann\\app\\Main.frm");
  EXPECT_EQ(paths.ToWindows(tmp / "data/x/Y.frm"), "D:\\x\\Y.frm");
  EXPECT_EQ(paths.ToWindows(tmp / "data"), "D:\\");
  EXPECT_EQ(paths.ToWindows(tmp / "data/deep/z"), "E:\\z");
  EXPECT_EQ(paths.ToWindows(tmp / "database/z"), "C:" + tmp.Windows().substr(2) + "\\database\\z");
  EXPECT_EQ(paths.ToWindows(tmp / "data/deep/../x/./y"), "D:\\x\\y");
  EXPECT_EQ(paths.ToWindows("/"), "C:\\");
  {
    ScopedCwd cwd(tmp.MakeDir("data/sub"));
    EXPECT_EQ(paths.ToWindows("f.txt"), "D:\\sub\\f.txt");
  }
  // Of two drives on one folder, the earlier letter.
  PathResolver twice(DriveMap::Parse("F:=" + tmp / "data" + ";D:=" + tmp / "data"));
  EXPECT_EQ(twice.ToWindows(tmp / "data/x"), "D:\\x");
  PathResolver only_d(DriveMap::Parse("D:=" + tmp / "data"));
  EXPECT_EQ(ErrorOf([&] { only_d.ToWindows("/etc/passwd"); }), vb::err::PathNotFound);
}

TEST(PathResolver, ToPosixFindsNamesAsWindowsWould) {
  TempFolder tmp;
  tmp.Write("Proj/Form1.frm", "");
  tmp.Write("Proj/FORM1.FRM", "");
  tmp.Write("Proj/Sub Dir/Module.bas", "");
  tmp.Write("data/x/y.frm", "");
  PathResolver paths(DriveMap::Parse("c:=/;D:=" + tmp / "data"));
  std::string proj = tmp.Windows("Proj");

  EXPECT_EQ(paths.ToPosix(proj + "\\Form1.frm"), tmp / "Proj/Form1.frm");  // exact wins
  EXPECT_EQ(paths.ToPosix(proj + "\\FORM1.FRM"), tmp / "Proj/FORM1.FRM");
  EXPECT_EQ(paths.ToPosix(proj + "\\form1.Frm"), tmp / "Proj/FORM1.FRM");  // first in byte order
  EXPECT_EQ(paths.ToPosix(proj + "/SUB DIR\\module.BAS"), tmp / "Proj/Sub Dir/Module.bas");
  EXPECT_EQ(paths.ToPosix("d:\\X\\Y.FRM"), tmp / "data/x/y.frm");
  EXPECT_EQ(paths.ToPosix("D:\\"), tmp / "data");
  EXPECT_EQ(paths.ToPosix("D:\\..\\..\\x\\.\\y.frm"), tmp / "data/x/y.frm");  // ".." stops at the root
  EXPECT_EQ(paths.ToPosix(proj + "\\Sub Dir\\..\\.\\FORM1.frm"), tmp / "Proj/FORM1.FRM");
  // Names still to be created are kept as given, below the last folder found.
  EXPECT_EQ(paths.ToPosix(proj + "\\sub dir\\New Dir\\New.FRM"), tmp / "Proj/Sub Dir/New Dir/New.FRM");

  std::string alias = AliasCandidate("Sub Dir", 1);
  EXPECT_EQ(paths.ToPosix(proj + "\\" + alias + "\\Module.bas"), tmp / "Proj/Sub Dir/Module.bas");
  for (char& c : alias) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(paths.ToPosix(proj + "\\" + alias), tmp / "Proj/Sub Dir");

  {
    ScopedCwd cwd(tmp / "Proj");
    EXPECT_EQ(paths.ToPosix("sub dir\\module.bas"), tmp / "Proj/Sub Dir/Module.bas");
    EXPECT_EQ(paths.ToPosix("..\\PROJ\\Form1.frm"), tmp / "Proj/Form1.frm");
    EXPECT_EQ(paths.ToPosix("\\etc"), "/etc");  // rooted: the current drive's root
  }
  {
    ScopedCwd cwd(tmp / "data/x");
    EXPECT_EQ(paths.ToPosix("\\x\\Y.frm"), tmp / "data/x/y.frm");
    EXPECT_EQ(paths.ToPosix("D:y.frm"), tmp / "data/x/y.frm");  // drive-relative, cwd on D:
  }
  EXPECT_EQ(ErrorOf([&] { paths.ToPosix("Q:\\x"); }), vb::err::PathNotFound);
}

// A path as long as the limit is taken, one character more is refused, and so is one holding a
// NUL, which POSIX would cut short.
TEST(PathResolver, OverlongPathsAndNulsAreRefused) {
  TempFolder tmp;
  PathResolver paths(DriveMap::Parse("C:=/"));
  std::string longest = tmp.Windows("");
  while (longest.size() + 2 <= kMaxPathLength) longest += "\\a";
  longest.resize(kMaxPathLength, 'a');
  EXPECT_EQ(ErrorOf([&] { paths.ToPosix(longest); }), 0);
  EXPECT_EQ(ErrorOf([&] { paths.ToPosix(longest + "a"); }), vb::err::BadFileNameOrNumber);
  EXPECT_EQ(ErrorOf([&] { paths.ToWindows(std::string(kMaxPathLength + 1, '/')); }),
            vb::err::BadFileNameOrNumber);
  EXPECT_EQ(paths.ToShort(longest + "a"), std::nullopt);
  std::string with_nul = tmp.Windows("frm") + std::string(1, '\0') + "Timesheet.frm";
  EXPECT_EQ(ErrorOf([&] { paths.ToPosix(with_nul); }), vb::err::BadFileNameOrNumber);
  // Ten million characters are refused before any of them is looked at: no waiting here.
  std::string huge = "C:";
  while (huge.size() < 10'000'000) huge += "\\a";
  EXPECT_EQ(ErrorOf([&] { paths.ToPosix(huge); }), vb::err::BadFileNameOrNumber);
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
  const std::string alias = ShortNameAmong(ListDirectory(tmp.path()), "Тест Проект");
  const std::string folder = tmp.Windows() + "\\" + alias;
  EXPECT_EQ(paths.ToWindows(tmp / "Тест Проект/Größe.bas"), folder +
                                                                "\\Gr\xF6\xDF"
                                                                "e.bas");
  EXPECT_EQ(paths.ToPosix(folder + "\\GR\xD6\xDF"
                                   "E.BAS"),
            tmp / "Тест Проект/Größe.bas");  // case aside
  EXPECT_EQ(files.Dir(folder + "\\gr\xF6\xDF"
                               "e.bas"),
            "Gr\xF6\xDF"
            "e.bas");
  EXPECT_EQ(files.Dir(tmp.Windows("\xC3\x8F") + "\\x"), "");  // no such folder
  // The same bytes under 1252 are other letters, of a folder that is not there.
  EXPECT_EQ(paths.ToPosix(cyrillic), tmp / "Ïðîåêò/Ìîäóëü.bas");

  ASSERT_TRUE(vb::SetActiveCodePage(1251));
  EXPECT_EQ(paths.ToPosix(cyrillic), tmp / "Проект/Модуль.bas");
  EXPECT_EQ(paths.ToPosix(tmp.Windows("\xEF\xF0\xEE\xE5\xEA\xF2\\\xEC\xEE\xE4\xF3\xEB\xFC.BAS")),
            tmp / "Проект/Модуль.bas");  // проект\модуль.BAS
  EXPECT_EQ(paths.ToWindows(tmp / "Тест Проект"), tmp.Windows("\xD2\xE5\xF1\xF2 \xCF\xF0\xEE\xE5\xEA\xF2"));
  EXPECT_EQ(paths.ToWindows(tmp / "Тест Проект/Größe.bas"),
            tmp.Windows("\xD2\xE5\xF1\xF2 \xCF\xF0\xEE\xE5\xEA\xF2") + "\\" +
                ShortNameAmong(ListDirectory(tmp / "Тест Проект"), "Größe.bas"));
  ASSERT_TRUE(vb::SetActiveCodePage(1252));
}

}  // namespace
}  // namespace posix
