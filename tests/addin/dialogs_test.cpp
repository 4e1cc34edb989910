// The option dialogs on their own: the letters their OK hands back, the exclusive trio of the
// check-in dialog, the list's sorting and the selection buttons.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "addin/operations/frm_extract.hpp"
#include "addin/operations/frm_update.hpp"
#include "tests/addin/module_fixture.hpp"

namespace {

using testing_support::ModuleFixture;

TEST(Dialogs, CheckOutLetters) {
  struct Case {
    std::vector<std::string> checked;
    const char* letters;
    int value = vb::vbChecked;  // grayed counts as checked
  };
  for (const Case& c :
       {Case{{}, "EW"}, Case{{"CheckBrowseMode"}, "EBW"},
        Case{{"CheckBrowseMode", "CheckFastFreshn", "CheckReserveLok", "CheckSpecifyVer"}, "EBFRSW"},
        Case{{"CheckSpecifyVer", "CheckBrowseMode"}, "EBSW"}, Case{{"CheckReserveLok"}, "ERW", vb::vbGrayed},
        Case{{"CheckFastFreshn", "CheckSpecifyVer"}, "EFSW", vb::vbGrayed}}) {
    ModuleFixture fx;
    auto& d = *fx.m->frmExtract;
    for (const std::string& box : c.checked)
      static_cast<vb::CheckBox*>(d.FindControl(box))->SetValue(c.value);
    fx.m->gDialogCancelled = 1;
    d.cmdOK.Press();
    EXPECT_EQ(fx.m->gExtractOptions, c.letters);
    EXPECT_EQ(fx.m->gDialogCancelled, 0);
  }
}

TEST(Dialogs, CheckInLetters) {
  struct Case {
    std::vector<std::string> clicked;
    const char* letters;
  };
  for (const Case& c : {Case{{}, "UW"}, Case{{"chkDisc"}, "UDW"}, Case{{"chkKeep", "chkDisc"}, "UDKW"},
                        Case{{"chkKeep"}, "UKW"}, Case{{"chkBran", "chkFast", "chkDisc"}, "UDFBW"},
                        Case{{"chkMino", "chkKeep"}, "UKMW"}, Case{{"chkSpec", "chkFast"}, "UFSW"},
                        Case{{"chkMino", "chkSpec"}, "USW"}}) {
    ModuleFixture fx;
    auto& d = *fx.m->frmUpdate;
    for (const std::string& box : c.clicked) static_cast<vb::CheckBox*>(d.FindControl(box))->MouseClick();
    d.cmdOK.Press();
    EXPECT_EQ(fx.m->gUpdateOptions, c.letters);
  }
}

TEST(Dialogs, TheExclusiveTrioClearsTheOtherTwoOnlyOnce) {
  ModuleFixture fx;
  auto& d = *fx.m->frmUpdate;
  // The free options D and K, then the trio M, B and S.
  auto values = [&] {
    std::string v;
    for (vb::CheckBox* box : {&d.chkDisc, &d.chkKeep, &d.chkMino, &d.chkBran, &d.chkSpec})
      v += std::to_string(box->Value());
    return v;
  };
  for (vb::CheckBox* box : {&d.chkDisc, &d.chkKeep, &d.chkMino, &d.chkBran}) box->MouseClick();
  EXPECT_EQ(values(), "11010");  // "B" after "M" clears "M"
  d.chkSpec.MouseClick();
  EXPECT_EQ(values(), "11001");
  d.chkSpec.MouseClick();  // clearing "S" by a click clears the other two as well (already clear)
  EXPECT_EQ(values(), "11000");
  EXPECT_EQ(fx.m->gInOptionClick, 0);

  // A box the interlock clears does not run the interlock again: with the guard set, a click
  // changes nothing else.
  d.chkMino.SetValue(1);
  fx.m->gInOptionClick = 1;
  d.chkBran.MouseClick();
  EXPECT_EQ(values(), "11110");
}

TEST(Dialogs, TheTabsSwitchFramesAndClosingCountsAsCancel) {
  ModuleFixture fx;
  auto& d = *fx.m->frmUpdate;
  EXPECT_EQ(d.TabStrip1.SelectedIndex(), 1);
  EXPECT_TRUE(d.Frame1(0).Visible());
  EXPECT_FALSE(d.Frame1(1).Visible());
  EXPECT_EQ(d.Left, (15360 - d.Width) / 2);

  d.TabStrip1.ClickTab(2);
  EXPECT_FALSE(d.Frame1(0).Visible());
  EXPECT_TRUE(d.Frame1(1).Visible());

  fx.m->gDialogCancelled = 0;
  fx.m->frmUpdate.Unload();
  EXPECT_EQ(fx.m->gDialogCancelled, 1);
  EXPECT_EQ(fx.m->frmUpdate->chkKeep.Value(), 0);  // a fresh instance
}

TEST(Dialogs, ColumnClicksSortAndToolbarSelectsByLockState) {
  ModuleFixture fx;
  auto& d = *fx.m->frmExtract;
  auto add = [&](const char* name, const char* user, int icon) {
    vb::ListItem& r = d.ListView1.Add();
    r.Text = name;
    r.SetSubItems(2, user);
    r.SmallIcon = icon;
  };
  add("beta", "zoe", 2);
  add("Alpha", "<no lock>", 1);
  add("gamma", "adam", 3);
  add("delta", "", 0);
  auto names = [&](bool selected_only = false) {
    std::string out;
    for (auto* r : d.ListView1.Ordered()) {
      if (r->Selected || !selected_only) out += r->Text + " ";
    }
    return out;
  };
  d.ListView1.ClickColumn(1);
  EXPECT_EQ(names(), "Alpha beta delta gamma ");
  d.ListView1.ClickColumn(1);
  EXPECT_EQ(names(), "gamma delta beta Alpha ");
  d.ListView1.ClickColumn(3);
  EXPECT_EQ(d.ListView1.SortKey, 2);
  EXPECT_EQ(d.ListView1.SortOrder, vb::lvwAscending);
  EXPECT_EQ(names(), "delta Alpha gamma beta ");

  d.ListView1.FindItem("delta")->Selected = true;
  d.Toolbar1.Press("selYou");
  EXPECT_EQ(names(true), "beta ");
  d.Toolbar1.Press("selNot");
  EXPECT_EQ(names(true), "Alpha ");
  d.Toolbar1.Press("selElse");
  EXPECT_EQ(names(true), "gamma ");
  d.Toolbar1.Press("modeList");
  EXPECT_EQ(d.ListView1.View, vb::lvwList);
  d.Toolbar1.Press("modeDetails");
  EXPECT_EQ(d.ListView1.View, vb::lvwReport);
  EXPECT_EQ(names(true), "gamma ");  // switching views keeps the selection and the sort
  EXPECT_EQ(names(), "delta Alpha gamma beta ");
}

}  // namespace
