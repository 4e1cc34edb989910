#include "vbrt/forms.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/fake_services.hpp"
#include "vbrt/common_controls.hpp"

namespace {

// Counts its events so the tests can see what ran.
struct Events {
  int loads = 0;
  int activates = 0;
  int unloads = 0;
  int clicks = 0;
};

class FrmOptions : public vb::Form {
 public:
  FrmOptions(vb::Runtime& rt, Events& ev) : vb::Form(rt, "frmOptions"), ev_(ev) {
    chkKeep.Click = [this] { ++ev_.clicks; };
    cmdOK.Click = [this] { Hide(); };
    cmdClose.Click = [this] { Unload(); };
  }
  void Form_Load() override {
    ++ev_.loads;
    Left = (runtime().ui().ScreenWidth() - Width) / 2;
  }
  void Form_Activate() override { ++ev_.activates; }
  void Form_Unload(int&) override { ++ev_.unloads; }

  vb::Label lblCap{*this, "lblCap", "Loading..."};
  vb::CheckBox chkKeep{*this, "chkKeep", "\"K\" - Keep Checked Out"};
  vb::ProgressBar ProgressBar1{*this, "ProgressBar1"};
  vb::CommandButton cmdOK{*this, "cmdOK", "&OK", true};
  vb::CommandButton cmdClose{*this, "cmdClose", "Cl&ose", false, true};
  vb::TabStrip TabStrip1{*this, "TabStrip1", {"Options", "Advanced"}};

 private:
  Events& ev_;
};

struct Fixture : ::testing::Test {
  fakes::FakeServices fake;
  vb::Runtime rt{fake.services()};
  Events ev;
  vb::FormSlot<FrmOptions> frmOptions{rt, [this] {
                                        auto f = std::make_unique<FrmOptions>(rt, ev);
                                        f->Width = 6000;
                                        return f;
                                      }};
};

using FormLifetime = Fixture;

TEST_F(FormLifetime, ReferenceLoadsUnloadDestroysNextReferenceStartsFresh) {
  EXPECT_FALSE(frmOptions.Loaded());
  frmOptions->lblCap.SetCaption("Checking project...");
  frmOptions->chkKeep.SetValue(vb::vbChecked);
  EXPECT_EQ(ev.loads, 1);
  EXPECT_EQ(frmOptions->Left, (15360 - 6000) / 2);  // Form_Load ran with the instance in place

  frmOptions.Unload();
  EXPECT_EQ(ev.unloads, 1);
  EXPECT_FALSE(frmOptions.Loaded());
  frmOptions.Unload();  // `Unload frmOptions` on a form that is not loaded does not load it
  EXPECT_EQ(ev.loads, 1);
  EXPECT_EQ(ev.unloads, 1);

  EXPECT_EQ(frmOptions->lblCap.Caption(), "Loading...");
  EXPECT_EQ(frmOptions->chkKeep.Value(), vb::vbUnchecked);
  EXPECT_EQ(ev.loads, 2);
  EXPECT_EQ(fake.ui.log(), (std::vector<std::string>{
                               "load frmOptions", "frmOptions.lblCap.Caption = Checking project...",
                               "frmOptions.chkKeep.Value = 1", "unload frmOptions", "load frmOptions"}));
}

TEST_F(FormLifetime, CheckBoxClickRunsWhenCodeChangesTheValue) {
  auto& box = frmOptions->chkKeep;
  box.SetValue(vb::vbChecked);
  box.SetValue(vb::vbChecked);  // unchanged: no Click
  box.SetValue(vb::vbGrayed);
  EXPECT_EQ(ev.clicks, 2);
  box.MouseClick();  // a person's click toggles and clicks
  EXPECT_EQ(box.Value(), vb::vbUnchecked);
  box.MouseClick();
  EXPECT_EQ(box.Value(), vb::vbChecked);
  EXPECT_EQ(ev.clicks, 4);
  try {
    box.SetValue(3);
    FAIL();
  } catch (const vb::Error& e) {
    EXPECT_EQ(e.number(), 380);
  }
  EXPECT_EQ(box.Value(), vb::vbChecked);
}

TEST_F(FormLifetime, ModalShowReturnsWhenHiddenOrUnloaded) {
  fake.ui.QueueModal("frmOptions", fakes::Press("cmdOK"));
  frmOptions->Show(vb::vbModal);
  EXPECT_TRUE(frmOptions.Loaded());
  EXPECT_FALSE(frmOptions->Visible());
  EXPECT_EQ(ev.activates, 1);

  // Closed from inside its own event procedure: the modal show still returns cleanly, and the
  // next reference is a fresh instance.
  fake.ui.QueueModal("frmOptions", fakes::Press("cmdClose"));
  frmOptions->Show(vb::vbModal);
  EXPECT_FALSE(frmOptions.Loaded());
  EXPECT_EQ(ev.unloads, 1);
  rt.ReleaseRetired();

  frmOptions->Show();
  try {
    frmOptions->Show(vb::vbModal);
    FAIL();
  } catch (const vb::Error& e) {
    EXPECT_EQ(e.number(), 400);
  }
  EXPECT_EQ(fake.ui.log(),
            (std::vector<std::string>{"load frmOptions", "showmodal frmOptions", "hide frmOptions",
                                      "showmodal frmOptions", "unload frmOptions", "load frmOptions",
                                      "show frmOptions"}));
}

TEST_F(FormLifetime, ProgressBarKeepsMinBelowMaxAndValueBetween) {
  auto& bar = frmOptions->ProgressBar1;
  bar.SetMax(2);
  bar.SetValue(2);
  auto number = [](auto&& f) {
    try {
      f();
    } catch (const vb::Error& e) {
      return e.number();
    }
    return 0;
  };
  EXPECT_EQ(number([&] { bar.SetValue(3); }), 380);
  EXPECT_EQ(number([&] { bar.SetMax(-1); }), 380);  // below Min: an empty walk's n - 1
  EXPECT_EQ(bar.Max(), 2);
  bar.SetValue(0);
  bar.SetMax(0);  // a one-component walk
  EXPECT_EQ(bar.Max(), 0);
}

TEST_F(FormLifetime, ATabStripKeepsItsTabWhenBeforeClickCancels) {
  auto& tabs = frmOptions->TabStrip1;
  int cancel = 1;
  tabs.BeforeClick = [&](int& Cancel) { Cancel = cancel; };
  tabs.ClickTab(2);
  EXPECT_EQ(tabs.SelectedIndex(), 1);
  cancel = 0;
  tabs.ClickTab(2);
  EXPECT_EQ(tabs.SelectedIndex(), 2);
}

}  // namespace
