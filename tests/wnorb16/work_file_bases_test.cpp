// The engine's notes of what each work file came from, in a real file: they outlive the engine
// that made them, whatever bytes a path holds, and the file stays bounded however often they change.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "tests/support/temp_folder.hpp"
#include "wnorb16/rcs/work_file_bases.hpp"

namespace wnorb16::rcs {
namespace {

using testing_support::Contents;

TEST(WorkFileBases, NotesOutliveTheEngineAndTheFileStaysBounded) {
  testing_support::TempFolder tmp;
  const std::string file = tmp / kBasesFileName;
  const std::string odd = "/p/a\tb\\nc\nd\r.frm", x = "/p/x.bas", x_v = "/p/RCS/x.bas,v";
  auto later = [&] {
    auto bases = std::make_unique<WorkFileBases>(file);
    bases->Refresh();
    return bases;
  };
  {
    auto first = later();
    first->Note(odd, "/p/RCS/odd,v", "1.1");
    first->Note(x, x_v, "1.1");
    first->Save();
    first->Note(x, x_v, "2.1");
    first->Save();
  }
  // An engine stopped in the middle of a line leaves it without its end.
  std::ofstream(file, std::ios::app) << "3.1\t" << x_v << "\t/p/x.b";
  auto second = later();
  EXPECT_EQ(second->Of(odd, "/p/RCS/odd,v"), "1.1");
  EXPECT_EQ(second->Of(odd, "/p/RCS/other,v"), "");  // an archive placed elsewhere since
  EXPECT_EQ(second->Of(x, x_v), "2.1");
  second->Note("/p/y.bas", "/p/RCS/y.bas,v", "1.4");
  second->Save();
  // The next note was not joined to the half line.
  EXPECT_EQ(later()->Of("/p/y.bas", "/p/RCS/y.bas,v"), "1.4");

  // One file noted again and again: the file is written anew before stale lines double it.
  for (int i = 0; i < 3000; ++i) {
    second->Note(x, x_v, "2." + std::to_string(i));
    second->Save();
  }
  const std::string text = Contents(file);
  EXPECT_LE(std::count(text.begin(), text.end(), '\n'), 1 + 2 * 3 + 1000);
  EXPECT_EQ(later()->Of(x, x_v), "2.2999");
  EXPECT_EQ(later()->Of(odd, "/p/RCS/odd,v"), "1.1");

  // Past the bound the notes written longest ago go first.
  for (std::size_t i = 0; i < WorkFileBases::kMaxBases; ++i)
    second->Note("/q/" + std::to_string(i), "/q/RCS/" + std::to_string(i) + ",v", "1.1");
  second->Save();
  auto third = later();
  EXPECT_EQ(third->Of(odd, "/p/RCS/odd,v"), "");
  EXPECT_EQ(third->Of("/q/0", "/q/RCS/0,v"), "1.1");
  EXPECT_EQ(third->Of("/q/9999", "/q/RCS/9999,v"), "1.1");
}

}  // namespace
}  // namespace wnorb16::rcs
