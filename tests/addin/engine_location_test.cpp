#include <gtest/gtest.h>

#include "tests/addin/module_fixture.hpp"

namespace {

using testing_support::ModuleFixture;

// The engine's folder is the add-in's own, cut by length; without a module file name, the
// application's path with the backslash it lacks. The engine found there is launched for the link,
// with one yield and no wait. (A missing engine: tests/host/scenarios/startup_engine_missing.scn.)
TEST(EngineLocation, TheEngineDirectoryIsTheAddinsFolderAndItsEngineIsLaunchedForTheLink) {
  for (auto [module, dir] : {std::pair{"C:\\VC\\NORBVB5.EXE", "C:\\VC\\"},
                             {"C:\\NORBVB5.EXE", "C:\\"},
                             {"D:\\Tools\\NORB Add-in\\norbvb5.exe", "D:\\Tools\\NORB Add-in\\"}}) {
    ModuleFixture fx;
    fx.fake.win32.SetModulePath(module);
    fx.m->get_data_path();
    EXPECT_EQ(fx.m->gEngineDir, dir);
    EXPECT_EQ(fx.m->App().HelpFile, std::string(dir) + "WNORB.HLP");
  }
  ModuleFixture fx;
  fx.fake.win32.SetModuleFileNameFailing(true);
  fx.m->get_data_path();
  EXPECT_EQ(fx.m->gEngineDir, "C:\\VB\\");

  fx.fake.files.AddFile("C:\\VB\\WNORB16.EXE");
  fx.m->startNORB();
  EXPECT_EQ(fx.fake.record, std::vector<std::string>{"launch C:\\VB\\WNORB16 -L 1"});  // and no message
  EXPECT_EQ(fx.fake.desktop.do_events(), 1);  // one yield after the launch, no wait
}

}  // namespace
