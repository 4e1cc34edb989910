// The IDE's writes and renames of read-only files: refused with a message, a write whatever the
// lock mode, a rename only with locking on; a file the IDE cannot see is never refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "addin/events/nvb5_fevents.hpp"
#include "tests/addin/module_fixture.hpp"

namespace {

TEST(FileEvents, WritesAndRenamesOfReadOnlyFilesAreRefused) {
  struct Case {
    int attributes;
    long lock_mode;
    bool write_refused;
    bool rename_refused;
  };
  for (const Case& c : {Case{platform::vbReadOnly, 0, true, false}, Case{platform::vbReadOnly, 1, true, true},
                        Case{platform::vbNormal, 1, false, false},
                        Case{platform::vbReadOnly | platform::vbHidden, 1, false, false}}) {
    SCOPED_TRACE(c.attributes * 10 + c.lock_mode);
    testing_support::ModuleFixture fx;
    fx.fake.files.AddFile("C:\\P\\Form1.frm", c.attributes);
    fx.m->gLockMode = c.lock_mode;
    for (int i = 0; i < c.write_refused + c.rename_refused; ++i) fx.fake.desktop.QueueAnswer(platform::vbOK);
    std::string file = "C:\\P\\FORM1.FRM", new_name = "C:\\P\\Form2.frm";
    int type = platform::ide::vbext_ft_Form;
    bool write_cancelled = false, rename_cancelled = false;
    fx.m->gFileEvents()->RequestWriteFile(file, write_cancelled);
    fx.m->gFileEvents()->DoGetNewFileName(type, new_name, file, rename_cancelled);
    EXPECT_EQ(std::make_pair(write_cancelled, rename_cancelled),
              std::make_pair(c.write_refused, c.rename_refused));
    const std::string denied = ", which is read-only.\r\rRequest denied. ";
    std::vector<fakes::MsgBoxShown> boxes;
    if (c.write_refused)
      boxes.push_back({"Visual Basic has just requested to write C:\\P\\FORM1.FRM" + denied + "\r\r",
                       platform::vbInformation, std::nullopt});
    if (c.rename_refused)
      boxes.push_back({"Visual Basic has just requested to write C:\\P\\Form2.frm" + denied,
                       platform::vbInformation, std::nullopt});
    EXPECT_EQ(fx.fake.desktop.boxes(), boxes);
  }
}

}  // namespace
