#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "tests/fakes/fake_services.hpp"
#include "tests/support/vb_error.hpp"
#include "vbrt/common_controls.hpp"
#include "vbrt/forms.hpp"
#include "vbrt/on_error.hpp"
#include "vbrt/process.hpp"

namespace {

using Log = std::vector<std::string>;
using testing_support::ErrorOf;
using testing_support::Raised;
using testing_support::RaisedBy;

TEST(OnError, EachPolicyGoesOnWhereVbDoes) {
  Log log;
  auto note = [&](const char* text) { return [&log, text] { log.push_back(text); }; };
  // A callee without a trap: its failing statement abandons the rest of it, and the caller's
  // trap takes the error.
  auto callee = [&] {
    auto step = vb::OnError::None();
    step(note("callee 1"));
    step([] { vb::Raise(9); });
    step(note("never"));
  };
  auto resume = vb::OnError::ResumeNext();
  resume(note("one"));
  resume(callee);
  auto report =
      vb::OnError::Report([&](const vb::Error& e) { log.push_back("Check_Out -- " + e.description()); });
  report([] { vb::Raise(285); });
  report(note("reload"));
  report([] { throw std::bad_alloc(); });
  vb::TrapAndExit(callee, [&](const vb::Error& e) { log.push_back(e.description()); });
  EXPECT_EQ(log,
            (Log{"one", "callee 1", "Check_Out -- Foreign application won't perform DDE method or operation",
                 "reload", "Check_Out -- Out of memory", "callee 1", "Subscript out of range"}));
  EXPECT_THROW(vb::TrapAndExit([] { throw vb::EndSignal{}; }, [](const vb::Error&) {}), vb::EndSignal);
}

// A miniature add-in process: its state is the runtime alone.
struct MiniState {
  explicit MiniState(platform::Services s) : rt(s) {}
  vb::Runtime& runtime() { return rt; }
  vb::Runtime rt;
};

class FrmOptions : public vb::Form {
 public:
  FrmOptions(vb::Runtime& rt, Log& log) : vb::Form(rt, "frmOptions"), log_(log) {
    chkKeep.Click = [this] { log_.push_back("chkKeep_Click"); };
    cmdOK.Click = [this] { Hide(); };
    cmdClose.Click = [this] { Unload(); };
  }
  void Form_Load() override { log_.push_back("Form_Load"); }
  void Form_Activate() override { log_.push_back("Form_Activate"); }
  void Form_Unload(int&) override { log_.push_back("Form_Unload"); }

  vb::CheckBox chkKeep{*this, "chkKeep", "\"K\" - Keep Checked Out"};
  vb::ProgressBar ProgressBar1{*this, "ProgressBar1"};
  vb::CommandButton cmdOK{*this, "cmdOK", "&OK", true};
  vb::CommandButton cmdClose{*this, "cmdClose", "Cl&ose", false, true};
  vb::TabStrip TabStrip1{*this, "TabStrip1", {"Options", "Advanced"}};
  vb::ListView ListView1{*this, "ListView1", {"Name", "Status"}};

 private:
  Log& log_;
};

struct RuntimeTest : ::testing::Test {
  fakes::FakeServices fake;
  Log log;
  vb::Process<MiniState> process{std::make_shared<MiniState>(fake.services())};
  vb::Runtime rt{fake.services()};
  vb::FormSlot<FrmOptions> frmOptions{rt, [this] { return std::make_unique<FrmOptions>(rt, log); }};
};

TEST_F(RuntimeTest, ProcessErrorsReachTheHostEndPassesEveryTrapAndDestroysTheState) {
  EXPECT_EQ(ErrorOf([&] { process.Call([] { vb::Raise(285); }); }), 285);
  bool ended_seen = false;
  process.OnEnded([&] { ended_seen = true; });
  std::weak_ptr<MiniState> weak = process.weak();
  EXPECT_FALSE(process.Call([&] {
    auto resume = vb::OnError::ResumeNext();
    auto close_down = vb::OnError::CloseDown([&](const vb::Error& e) {
      log.push_back("startNORB -- " + e.description());
      process.state()->rt.End();
    });
    resume([&] { close_down([] { vb::Raise(53); }); });
    resume([&] { log.push_back("never"); });
  }));
  EXPECT_TRUE(ended_seen);
  EXPECT_TRUE(weak.expired());
  EXPECT_FALSE(process.Call([&] { log.push_back("never"); }));
  EXPECT_EQ(log, Log{"startNORB -- File not found"});
}

TEST_F(RuntimeTest, ProcessEndUnwindsThroughTheHostAndIsNeverSwallowed) {
  EXPECT_FALSE(process.Call([&] {
    try {
      // The host, inside the add-in's call, calls back in (a modal form's button, a sink).
      process.Call([&] { process.state()->rt.End(); });
    } catch (const vb::EndSignal&) {
      log.push_back("host frame unwound");
      throw;
    }
    log.push_back("never");
  }));
  EXPECT_EQ(log, Log{"host frame unwound"});
  EXPECT_FALSE(process.alive());

  // A frame that swallows everything does not swallow End.
  vb::Process<MiniState> next{std::make_shared<MiniState>(fake.services())};
  EXPECT_FALSE(next.Call([&] {
    try {
      next.state()->rt.End();
    } catch (...) {
    }
  }));
  EXPECT_FALSE(next.alive());
}

// A reference loads the form, Unload destroys it, the next reference starts fresh; a modal show
// returns when the form hides or unloads.
TEST_F(RuntimeTest, FormReferenceLoadsUnloadDestroysAndAModalShowReturnsWhenHiddenOrUnloaded) {
  FrmOptions& kept = *frmOptions;
  kept.chkKeep.SetValue(vb::vbChecked);
  kept.Show();
  frmOptions.Unload();
  frmOptions.Unload();  // `Unload frmOptions` on a form that is not loaded does not load it
  // Code still running in the unloaded instance (its own event procedure after `Unload Me`)
  // sees it hidden.
  EXPECT_EQ(std::make_pair(kept.Visible(), kept.Unloaded()), std::make_pair(false, true));
  EXPECT_EQ(frmOptions->chkKeep.Value(), vb::vbUnchecked);

  fake.ui.QueueModal("frmOptions", fakes::Press("cmdOK"));
  frmOptions->Show(vb::vbModal);
  // Closed from inside its own event procedure: the modal show still returns cleanly, and the
  // next reference is a fresh instance.
  fake.ui.QueueModal("frmOptions", fakes::Press("cmdClose"));
  frmOptions->Show(vb::vbModal);
  rt.ReleaseRetired();
  frmOptions->Show();
  EXPECT_EQ(ErrorOf([&] { frmOptions->Show(vb::vbModal); }), 400);
  EXPECT_EQ(log, (Log{"Form_Load", "chkKeep_Click", "Form_Activate", "Form_Unload", "Form_Load",
                      "Form_Activate", "Form_Activate", "Form_Unload", "Form_Load", "Form_Activate"}));
  EXPECT_EQ(fake.ui.log(),
            (Log{"load frmOptions", "frmOptions.chkKeep.Value = 1", "show frmOptions", "unload frmOptions",
                 "load frmOptions", "showmodal frmOptions", "hide frmOptions", "showmodal frmOptions",
                 "unload frmOptions", "load frmOptions", "show frmOptions"}));
}

TEST_F(RuntimeTest, ControlsRaiseTheirEventsAndRefuseValuesOutOfRange) {
  auto& box = frmOptions->chkKeep;
  box.SetValue(vb::vbChecked);
  box.SetValue(vb::vbChecked);  // unchanged: no Click
  box.MouseClick();             // a person's click toggles and clicks
  EXPECT_EQ(RaisedBy([&] { box.SetValue(3); }), (Raised{380, "Invalid property value"}));
  EXPECT_EQ(box.Value(), vb::vbUnchecked);
  EXPECT_EQ(std::count(log.begin(), log.end(), "chkKeep_Click"), 2);

  auto& bar = frmOptions->ProgressBar1;
  bar.SetMax(2);
  bar.SetValue(2);
  EXPECT_EQ(ErrorOf([&] { bar.SetValue(3); }), 380);
  EXPECT_EQ(ErrorOf([&] { bar.SetMax(-1); }), 380);  // below Min: an empty walk's n - 1
  bar.SetMax(0);                                     // a one-component walk
  EXPECT_EQ(bar.Value(), 0);

  auto& tabs = frmOptions->TabStrip1;
  int cancels = 1;
  tabs.BeforeClick = [&](int& Cancel) { Cancel = cancels-- > 0 ? 1 : 0; };
  tabs.ClickTab(2);
  EXPECT_EQ(tabs.SelectedIndex(), 1);
  tabs.ClickTab(2);
  EXPECT_EQ(tabs.SelectedIndex(), 2);
}

// The list keeps its shown order and its name index between calls: each change of a row, a text,
// a sort column's sub-item or a sort setting must show in Item, Index and FindItem at once.
TEST_F(RuntimeTest, ASortedListFollowsEachChangeOfRowsTextsAndSortSettings) {
  auto& list = frmOptions->ListView1;
  auto shown = [&] {
    std::string out;
    for (int i = 1; i <= list.Count(); ++i) {
      const vb::ListItem& r = list.Item(i);
      out += r.Text + (r.Index() == i ? " " : "? ");
    }
    return out;
  };
  for (auto [text, status] : {std::pair{"b", "2"}, {"A", "3"}, {"c", "1"}}) {
    vb::ListItem& r = list.Add();
    r.Text = text;
    r.SetSubItems(1, status);
  }
  EXPECT_EQ(shown(), "b A c ");
  list.Sorted = true;
  EXPECT_EQ(shown(), "A b c ");
  list.SortOrder = vb::lvwDescending;
  EXPECT_EQ(shown(), "c b A ");
  list.SortKey = 1;
  EXPECT_EQ(shown(), "A b c ");
  list.FindItem("A")->SetSubItems(1, "0");
  EXPECT_EQ(shown(), "b c A ");
  list.SortKey = 0;
  list.SortOrder = vb::lvwAscending;
  list.FindItem("b")->Text = "D";
  EXPECT_EQ(shown(), "A c D ");
  EXPECT_EQ(list.FindItem("b"), nullptr);
  EXPECT_EQ(list.FindItem("d"), nullptr);  // exact, case and all
  // Equal keys keep the order they were added in, either way; a shared name finds the first shown.
  list.Add().Text = "a";
  list.FindItem("a")->SetSubItems(1, "4");
  EXPECT_EQ(shown(), "A a c D ");
  list.SortOrder = vb::lvwDescending;
  EXPECT_EQ(shown(), "D c A a ");
  vb::ListItem& second = list.Add();
  second.Text = "c";
  second.SetSubItems(1, "9");
  list.SortKey = 1;
  EXPECT_EQ(shown(), "c a D c A ");
  EXPECT_EQ(list.FindItem("c"), &second);
  EXPECT_EQ(ErrorOf([&] { list.Item(0); }), 35600);
  EXPECT_EQ(ErrorOf([&] { list.Item(6); }), 35600);
  list.Clear();
  EXPECT_EQ(list.FindItem("A"), nullptr);
  EXPECT_EQ(ErrorOf([&] { list.Item(1); }), 35600);
  list.Add().Text = "A";
  EXPECT_EQ(shown(), "A ");
}

// After OK the add-in looks up each component's row by name, and a selection button reads
// Item(i) twice per row: with the list sorted, each row is read a few times, whatever its size.
TEST_F(RuntimeTest, TheSelectionLoopAndToolbarReadEachRowOfASortedListAFewTimes) {
  auto& list = frmOptions->ListView1;
  for (int rows : {100, 1000}) {
    list.Clear();
    std::vector<std::string> names;
    for (int i = 0; i < rows; ++i) {
      names.push_back((i % 2 ? "frm" : "Mod") + std::to_string((i * 37) % rows));
      vb::ListItem& r = list.Add();
      r.Text = names.back();
      r.SmallIcon = 1 + i % 3;
    }
    list.Sorted = true;
    std::size_t before = list.RowVisits();
    int selected = 0;
    list.Item(rows).Selected = true;
    for (const auto& name : names) selected += list.FindItem(name)->Selected ? 1 : 0;
    for (int i = 1; i <= list.Count(); ++i) list.Item(i).Selected = list.Item(i).SmallIcon == 2;
    for (int i = 1; i <= list.Count(); ++i) selected += list.Item(i).Index() == i ? 0 : 1;
    EXPECT_EQ(selected, 1);
    EXPECT_LE(list.RowVisits() - before, 4u * static_cast<std::size_t>(rows)) << rows << " rows";
  }
}

}  // namespace
