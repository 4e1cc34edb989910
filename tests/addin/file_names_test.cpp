// The short names the add-in hands the engine, made by the real Windows API layer over a
// temporary folder.
#include <gtest/gtest.h>

#include "posix/path_resolver.hpp"
#include "tests/addin/module_fixture.hpp"
#include "tests/support/vb_error.hpp"

namespace {

using testing_support::ModuleFixture;
using testing_support::RaisedBy;

// A directory's short form where blanks, commas (the engine splits its file lists at ",") or a
// length over 67 characters, trailing backslash included, ask for it; a file part's where blanks
// or commas do. What comes out still names the same file.
TEST(FileNames, ShortNamesOnlyWhereBlanksCommasOrLengthAskForThem) {
  ModuleFixture fx{true};
  testing_support::TempFolder tmp;
  posix::PathResolver resolver{posix::DriveMap::Parse("C:=/")};
  auto shorter = [&](const std::string& path) { return resolver.ToShort(path).value(); };
  const std::size_t base = tmp.Windows().size() + 1;  // the temp folder and the backslash after it
  struct Case {
    std::string dir, file;
    bool short_dir, short_file;
  };
  for (const Case& c : {Case{"VB", "APP.FRM", false, false}, Case{"VB", "LongModuleName.bas", false, false},
                        Case{"VB", "My Form.frm", false, true}, Case{"My Dir", "main.frm", true, false},
                        Case{"VB", "a,b.frm", false, true}, Case{"x,y", "f.frm", true, false},
                        Case{std::string(67 - base - 1, 'd'), "Module1.bas", false, false},
                        Case{std::string(68 - base - 1, 'e'), "Module1.bas", true, false}}) {
    SCOPED_TRACE(c.dir + "/" + c.file);
    tmp.Write(c.dir + "/" + c.file, "");
    const std::string dir = tmp.Windows(c.dir + "\\"), file = shorter(dir + c.file);
    std::string path = dir + c.file;
    fx.m->ShortFileName(path);
    EXPECT_EQ(path, (c.short_dir ? shorter(dir) : dir) +
                        (c.short_file ? file.substr(file.rfind('\\') + 1) : c.file));
    EXPECT_EQ(resolver.ToPosix(path), tmp.path() + "/" + c.dir + "/" + c.file);
  }
  // One trailing backslash on a directory's short form, and no NUL; what cannot be shortened raises 5.
  std::string dir = tmp.Windows("My Dir\\");
  fx.m->ShortDirName(dir);
  EXPECT_EQ(dir, shorter(tmp.Windows("My Dir\\")));
  EXPECT_EQ(dir.substr(dir.size() - 2).find('\\'), 1u);
  EXPECT_EQ(dir.find_first_of(std::string(" \0", 2)), std::string::npos);
  for (std::string path : {std::string("APP.FRM"), tmp.Windows("No Such.frm")}) {
    EXPECT_EQ(RaisedBy([&] { fx.m->ShortFileName(path); }).number, 5) << path;
  }
  std::string missing = tmp.Windows("missing\\");
  EXPECT_EQ(RaisedBy([&] { fx.m->ShortDirName(missing); }).number, 5);
}

}  // namespace
