// The option dialogs on their own: the letters their OK hands back, the exclusive trio of the
// check-in dialog, their texts. (Sorting and the selection buttons: tests/host/scenarios/lock_mode_on.scn.)
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "addin/operations/dialog_images.hpp"
#include "addin/operations/frm_extract.hpp"
#include "addin/operations/frm_update.hpp"
#include "addin/shell/faces.hpp"
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

// The check-in dialog: its trio clears the other two only once; its tabs switch frames. (Its
// close box sending nothing, as Cancel: tests/host/scenarios/connected.scn.)
TEST(Dialogs, TheExclusiveTrioClearsTheOtherTwoOnlyOnceAndTheTabsSwitchFrames) {
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
}

// The check-in boxes' captions and tooltips and both lists' shared captions, word for word: a lost
// blank or letter shows.
TEST(Dialogs, TheCheckInBoxesShowTheirExactCaptionsAndTooltips) {
  ModuleFixture fx;
  auto& d = *fx.m->frmUpdate;
  const std::vector<std::tuple<vb::CheckBox*, const char*, const char*>> rows = {
      {&d.chkDisc, "\"D\" - Discard Lock: [don't store]",
       "check to discard all changes and unlock the file, instead of updating the NORB library"},
      {&d.chkFast, "\"F\" - Fast/Freshen",
       "check to quietly skip files that are older than the corresponding NORB libraries"},
      {&d.chkKeep, "\"K\" - Keep Checked Out",
       "check to keep file checked-out/locked after update is done (because you intend to make more changes "
       "to the file)"},
      {&d.chkMino, "\"M\" - Increment Minor Version",
       "check to increment the 'minor' version number instead of creating a new integer trunk number (trunk "
       "versions only)"},
      {&d.chkSpec, "\"S\" - Specify Version", "Prompts for specific version numbers"},
      {&d.chkBran, "\"B\" - Store as new Branch",
       "Check to force NORB to store the new version with a new 'branch' version number."}};
  for (auto [box, caption, tooltip] : rows) {
    EXPECT_EQ(box->Caption(), caption);
    EXPECT_EQ(box->ToolTipText, tooltip);
  }
  // What both lists share: the buttons (OK the default, Cancel the cancel button), tabs, label and
  // column headers.
  for (norb::forms::OptionsDialog* list : {static_cast<norb::forms::OptionsDialog*>(&*fx.m->frmExtract),
                                           static_cast<norb::forms::OptionsDialog*>(&d)}) {
    std::string shared;
    for (const vb::CommandButton* b : {&list->cmdHelp, &list->cmdOK, &list->cmdCancel}) {
      shared += b->Caption() + (b->Default() ? "(default)" : "") + (b->Cancel() ? "(cancel)" : "") + "|";
    }
    for (const std::string& tab : list->TabStrip1.Tabs()) shared += tab + "|";
    shared += list->Label2.Caption() + "|";
    for (const vb::ColumnHeader& c : list->ListView1.ColumnHeaders()) shared += c.Text + "|";
    EXPECT_EQ(
        shared,
        "&Help|&OK(default)|&Cancel(cancel)|Files|Options|Options:|Component Name|File(s)|User ID|Type|");
  }
}

// Each picture the add-in draws (menu-button faces, the dialogs' list images and emblem) is a
// well-formed image of its stated size: the header agrees, every colour is None or #RRGGBB, and
// every row is exactly as wide as the picture and uses only its declared colours. The image reader
// refuses neither a short row (it fills in its end) nor a colour cut short (it paints it black).
TEST(Pictures, EveryRowIsAsWideAsThePictureInItsDeclaredColours) {
  std::vector<std::pair<std::string, platform::Picture>> pictures;
  pictures.reserve(norb::kFaceCount + 6);
  for (int i = 0; i < norb::kFaceCount; ++i)
    pictures.emplace_back("face " + std::to_string(i), norb::Face(i));
  for (const platform::Picture& p : norb::DialogImageList()) {
    pictures.emplace_back("list image " + std::to_string(p.index), p);
  }
  pictures.emplace_back("emblem", norb::DialogEmblem());
  EXPECT_EQ(pictures.size(), static_cast<std::size_t>(norb::kFaceCount + 6));
  for (const auto& [name, picture] : pictures) {
    SCOPED_TRACE(name);
    ASSERT_NE(picture.xpm, nullptr);
    int w = 0, h = 0, colours = 0, per_pixel = 0;
    ASSERT_EQ(std::sscanf(picture.xpm[0], "%d %d %d %d", &w, &h, &colours, &per_pixel), 4);
    EXPECT_EQ(std::make_tuple(w, h, per_pixel), std::make_tuple(picture.width, picture.height, 1));
    std::string keys;
    for (int c = 1; c <= colours; ++c) {
      keys += picture.xpm[c][0];
      const std::string line = picture.xpm[c];
      const bool rgb = line.size() == 11 && line.compare(1, 4, " c #") == 0 &&
                       line.find_first_not_of("0123456789ABCDEF", 5) == std::string::npos;
      EXPECT_TRUE(rgb || line.substr(1) == " c None") << line;
    }
    for (int y = 0; y < h; ++y) {
      const std::string row = picture.xpm[1 + colours + y];
      EXPECT_EQ(row.size(), static_cast<std::size_t>(w)) << "row " << y;
      EXPECT_EQ(row.find_first_not_of(keys), std::string::npos) << "row " << y;
    }
  }
  EXPECT_EQ(norb::Face(norb::kFaceCount).xpm, nullptr);
}

}  // namespace
