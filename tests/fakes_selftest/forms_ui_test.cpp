#include "tests/fakes/fake_forms_ui.hpp"

#include <gtest/gtest.h>

#include "tests/fakes_selftest/test_form.hpp"

namespace {

using fakes_selftest::FrmTest;
using fakes_selftest::TestProcess;
using Log = std::vector<std::string>;

TEST(FakeFormsUi, ModalShowEndsWhenAnActionHidesOrUnloadsTheForm) {
  TestProcess p;
  auto& ui = p.fake.ui;
  ui.QueueModal("frmTest", [](vb::Form& f) { f.SetCaption("Pick"); });
  ui.QueueModal("frmTest", fakes::Press("cmdOK"));
  p.frmTest->Show(vb::vbModal);
  EXPECT_TRUE(ui.IsLoaded("frmTest"));
  EXPECT_FALSE(ui.IsVisible("frmTest"));

  ui.QueueModal<FrmTest>("frmTest", [](FrmTest& f) { f.cmdCancel.Press(); });
  p.frmTest->Show(vb::vbModal);
  EXPECT_FALSE(p.frmTest.Loaded());
  EXPECT_FALSE(ui.IsLoaded("frmTest"));

  p.frmTest->Show();
  EXPECT_TRUE(ui.IsVisible("frmTest"));
  EXPECT_EQ(ui.log(), (Log{"load frmTest", "showmodal frmTest", "frmTest.Caption = Pick", "hide frmTest",
                           "showmodal frmTest", "unload frmTest", "load frmTest", "show frmTest"}));
}

TEST(FakeFormsUi, ModalShowThatOutlastsItsActionsIsRefused) {
  TestProcess p;
  p.fake.ui.QueueModal("frmTest", [](vb::Form& f) { f.SetCaption("still here"); });
  FAKES_EXPECT_REFUSED(p.frmTest->Show(vb::vbModal), "no queued action is left");
}

TEST(FakeFormsUi, PropertyWritesReadAsAPersonSeesThem) {
  TestProcess p;
  auto& f = *p.frmTest;
  f.lblCap.SetCaption("Linking...");
  f.ProgressBar1.SetMax(2);
  f.ProgressBar1.SetValue(1.5f);
  f.chkAll.SetValue(vb::vbChecked);
  f.Frame1.SetVisible(false);
  f.txtStatus.SetText("Ready");
  f.SetCaption("Check Out");
  f.lblCap.SetCaption("Done");

  EXPECT_EQ(p.fake.ui.log(),
            (Log{"load frmTest", "frmTest.lblCap.Caption = Linking...", "frmTest.ProgressBar1.Max = 2",
                 "frmTest.ProgressBar1.Value = 1.5", "frmTest.chkAll.Value = 1",
                 "frmTest.Frame1.Visible = False", "frmTest.txtStatus.Text = Ready",
                 "frmTest.Caption = Check Out", "frmTest.lblCap.Caption = Done"}));
  EXPECT_EQ(p.fake.ui.LastCaption("frmTest", "lblCap"), "Done");
  EXPECT_EQ(p.fake.ui.LastWrite("frmTest.Caption"), "Check Out");
  EXPECT_EQ(p.fake.ui.LastCaption("frmTest", "lblNone"), std::nullopt);
}

}  // namespace
