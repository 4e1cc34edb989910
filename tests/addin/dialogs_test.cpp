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

// OK hands back the options as letters in a fixed order: the check-out dialog's boxes set (grayed
// counts as checked), the check-in dialog's clicked, where M, B and S exclude each other.
TEST(Dialogs, OkHandsBackTheOptionsAsLetters) {
  struct Case {
    bool check_in;
    std::vector<std::string> boxes;
    const char* letters;
    int value = vb::vbChecked;
  };
  for (const Case& c :
       {Case{false, {}, "EW"}, Case{false, {"CheckBrowseMode"}, "EBW"},
        Case{false, {"CheckBrowseMode", "CheckFastFreshn", "CheckReserveLok", "CheckSpecifyVer"}, "EBFRSW"},
        Case{false, {"CheckSpecifyVer", "CheckBrowseMode"}, "EBSW"},
        Case{false, {"CheckReserveLok"}, "ERW", vb::vbGrayed},
        Case{false, {"CheckFastFreshn", "CheckSpecifyVer"}, "EFSW", vb::vbGrayed}, Case{true, {}, "UW"},
        Case{true, {"chkDisc"}, "UDW"}, Case{true, {"chkKeep", "chkDisc"}, "UDKW"},
        Case{true, {"chkKeep"}, "UKW"}, Case{true, {"chkBran", "chkFast", "chkDisc"}, "UDFBW"},
        Case{true, {"chkMino", "chkKeep"}, "UKMW"}, Case{true, {"chkSpec", "chkFast"}, "UFSW"},
        Case{true, {"chkMino", "chkSpec"}, "USW"}}) {
    SCOPED_TRACE(c.letters);
    ModuleFixture fx;
    fx.m->gDialogCancelled = 1;
    for (const std::string& box : c.boxes) {
      if (c.check_in) static_cast<vb::CheckBox*>(fx.m->frmUpdate->FindControl(box))->MouseClick();
      if (!c.check_in) static_cast<vb::CheckBox*>(fx.m->frmExtract->FindControl(box))->SetValue(c.value);
    }
    c.check_in ? fx.m->frmUpdate->cmdOK.Press() : fx.m->frmExtract->cmdOK.Press();
    EXPECT_EQ(c.check_in ? fx.m->gUpdateOptions : fx.m->gExtractOptions, c.letters);
    EXPECT_EQ(fx.m->gDialogCancelled, 0);
  }
}

// The check-in dialog: its trio clears the other two only once; its tabs switch frames, and
// closing it counts as cancel.
TEST(Dialogs, TheExclusiveTrioClearsTheOtherTwoOnlyOnceTheTabsSwitchFramesAndClosingCancels) {
  ModuleFixture fx;
  auto& d = *fx.m->frmUpdate;
  EXPECT_EQ(d.TabStrip1.SelectedIndex(), 1);
  EXPECT_EQ(std::make_pair(d.Frame1(0).Visible(), d.Frame1(1).Visible()), std::make_pair(true, false));
  EXPECT_EQ(d.Left, (15360 - d.Width) / 2);
  d.TabStrip1.ClickTab(2);
  EXPECT_EQ(std::make_pair(d.Frame1(0).Visible(), d.Frame1(1).Visible()), std::make_pair(false, true));
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

  fx.m->gDialogCancelled = 0;
  fx.m->frmUpdate.Unload();
  EXPECT_EQ(fx.m->gDialogCancelled, 1);
  EXPECT_EQ(fx.m->frmUpdate->chkKeep.Value(), 0);  // a fresh instance
}

TEST(Dialogs, ColumnClicksSortAndToolbarSelectsByLockState) {
  ModuleFixture fx;
  auto& d = *fx.m->frmExtract;
  const std::vector<std::tuple<const char*, const char*, int>> rows = {
      {"beta", "zoe", 2}, {"Alpha", "<no lock>", 1}, {"gamma", "adam", 3}, {"delta", "", 0}};
  for (auto [name, user, icon] : rows) {
    vb::ListItem& r = d.ListView1.Add();
    r.Text = name;
    r.SetSubItems(2, user);
    r.SmallIcon = icon;
  }
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
  EXPECT_EQ(std::make_pair(d.ListView1.SortKey, d.ListView1.SortOrder), std::make_pair(2, vb::lvwAscending));
  EXPECT_EQ(names(), "delta Alpha gamma beta ");

  d.ListView1.FindItem("delta")->Selected = true;
  for (auto [button, selected] :
       {std::pair{"selYou", "beta "}, {"selNot", "Alpha "}, {"selElse", "gamma "}}) {
    d.Toolbar1.Press(button);
    EXPECT_EQ(names(true), selected) << button;
  }
  d.Toolbar1.Press("modeList");
  EXPECT_EQ(d.ListView1.View, vb::lvwList);
  d.Toolbar1.Press("modeDetails");
  EXPECT_EQ(d.ListView1.View, vb::lvwReport);
  EXPECT_EQ(names(true), "gamma ");  // switching views keeps the selection and the sort
  EXPECT_EQ(names(), "delta Alpha gamma beta ");
}

}  // namespace
