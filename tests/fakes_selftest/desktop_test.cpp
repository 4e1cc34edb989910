#include "tests/fakes/fake_desktop.hpp"

#include <gtest/gtest.h>

namespace {

using fakes::FakeDesktop;
using fakes::MsgBoxShown;
using platform::vbNo;
using platform::vbOK;
using platform::vbYes;

TEST(FakeDesktop, MessageBoxesTakeQueuedAnswersAndRefuseWhatNoPersonCouldPress) {
  FakeDesktop d;
  EXPECT_EQ(d.MsgBox("Saved.", 64, std::nullopt), vbOK);
  FAKES_EXPECT_REFUSED(d.MsgBox("Check out?", 4 + 32, "Norb"), "no queued answer");

  d.QueueAnswer(vbOK);
  FAKES_EXPECT_REFUSED(d.MsgBox("Overwrite?", 4, "Norb"), "not a button");

  d.QueueAnswer(vbNo);
  d.QueueAnswer(vbOK);
  EXPECT_EQ(d.MsgBox("Overwrite?", 4 + 4096, "Norb"), vbNo);
  EXPECT_EQ(d.MsgBox("Done.", 0, std::nullopt), vbOK);

  EXPECT_EQ(d.boxes(), (std::vector<MsgBoxShown>{
                           {"Saved.", 64, std::nullopt, vbOK},
                           {"Check out?", 36, "Norb", 0},
                           {"Overwrite?", 4, "Norb", 0},
                           {"Overwrite?", 4100, "Norb", vbNo},
                           {"Done.", 0, std::nullopt, vbOK},
                       }));
  d.QueueAnswer(vbYes);
  EXPECT_EQ(d.MsgBox("Really?", 4, std::nullopt), vbYes);
}

TEST(FakeDesktop, DoEventsRunsEachHookOnceAndRefusesAnEndlessWait) {
  FakeDesktop d;
  std::vector<int> ran;
  d.OnDoEvents([&] { ran.push_back(1); });
  d.OnDoEvents([&] {
    ran.push_back(2);
    d.DoEvents();  // a hook may itself let events run
  });
  for (int i = 0; i < 4; ++i) d.DoEvents();
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));
  EXPECT_EQ(d.do_events(), 5);

  d.SetDoEventsLimit(10);
  FAKES_EXPECT_REFUSED(
      {
        for (;;) d.DoEvents();
      },
      "waits forever");
}

}  // namespace
