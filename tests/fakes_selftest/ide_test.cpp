#include "tests/fakes/fake_ide.hpp"

#include <gtest/gtest.h>

#include "vbrt/error.hpp"

namespace {

using namespace fakes;
using Captions = std::vector<std::string>;

int ErrorOf(const std::function<void()>& statement) {
  try {
    statement();
  } catch (const vb::Error& e) {
    return e.number();
  }
  return 0;
}

struct ClickCounter : ide::CommandBarClick {
  std::vector<std::string> clicked;
  void Click(std::shared_ptr<ide::CommandBarControl> control, bool&, bool&) override {
    clicked.push_back(control->Caption());
  }
};

TEST(FakeCommandBars, ButtonsGoWhereAskedCarryTheirFaceAndReachLiveSubscribers) {
  FakeClipboard clipboard;
  auto app = std::make_shared<FakeApplication>();
  FakeVBE vbe(app, clipboard);
  vbe.bars()->AddBar("Tools", {"References...", "Options..."});
  auto tools = vbe.GetCommandBars()->Item("Tools");
  EXPECT_EQ(ErrorOf([&] { vbe.GetCommandBars()->Item("Nope"); }), 5);
  vbe.bars()->SetStrict(true);
  FAKES_EXPECT_REFUSED(vbe.GetCommandBars()->Item("Nope"), "Nope");

  auto controls = tools->Controls();
  EXPECT_EQ(ErrorOf([&] { controls->Add(1, 4, "cbcTest"); }), 5);
  auto last = controls->Add(1, 3, "cbcTest");
  last->SetCaption("Check In");
  auto first = controls->Add(1, 1, "cbcTest");
  first->SetCaption("Check Out");
  first->SetBeginGroup(true);
  EXPECT_EQ(controls->Count(), 4);
  EXPECT_EQ(vbe.bars()->Bar("Tools")->Captions(),
            (Captions{"Check Out", "References...", "Options...", "Check In"}));

  EXPECT_EQ(ErrorOf([&] { first->PasteFace(); }), kMethodFailed);
  clipboard.Put(platform::Picture{3, 16, 16, nullptr});
  first->PasteFace();
  auto fake_first = std::dynamic_pointer_cast<FakeCommandBarControl>(first);
  EXPECT_EQ(fake_first->face(), 3);
  EXPECT_EQ(fake_first->owner(), "addin");

  // A second "Check Out" added later is the one a person finds and clicks.
  auto again = controls->Add(1, 5, "cbcTest");
  again->SetCaption("Check Out");
  auto live = std::make_shared<ClickCounter>();
  auto expired = std::make_shared<ClickCounter>();
  vbe.GetCommandBarEvents(again)->Connect(live, "cbcTesthandler");
  vbe.GetCommandBarEvents(again)->Connect(expired, "cbcTesthandler");
  vbe.GetCommandBarEvents(first)->Connect(live, "cbcTesthandler");
  expired.reset();
  EXPECT_EQ(vbe.bars()->Click("Tools", "Check Out"), 1);
  EXPECT_EQ(live->clicked, (Captions{"Check Out"}));
  EXPECT_EQ(ErrorOf([&] { vbe.GetCommandBarEvents(nullptr); }), 91);

  again->Delete();
  EXPECT_EQ(ErrorOf([&] { again->Delete(); }), kMethodFailed);
  EXPECT_EQ(vbe.bars()->Click("Tools", "Check Out"), 1);  // now the older one
  first->Delete();
  FAKES_EXPECT_REFUSED(vbe.bars()->Click("Tools", "Check Out"), "no add-in item");
  EXPECT_EQ(vbe.bars()->Bar("Tools")->Captions(), (Captions{"References...", "Options...", "Check In"}));
  const auto& history = vbe.bars()->Bar("Tools")->history();
  ASSERT_EQ(history.size(), 5u);
  EXPECT_TRUE(history[4]->deleted());
  EXPECT_EQ(history[4]->caption(), "Check Out");
  EXPECT_TRUE(history[3]->begin_group());
}

struct ProjectSink : ide::ProjectEvents {
  std::vector<std::string>& log;
  explicit ProjectSink(std::vector<std::string>& l) : log(l) {}
  void CheckOut() override { log.push_back("CheckOut"); }
  void CheckIn() override { log.push_back("CheckIn"); }
  void Fetch() override { log.push_back("Fetch"); }
  void UnCheckOut() override { log.push_back("UnCheckOut"); }
};

TEST(FakeApplication, ProjectsConnectionsAndTheJournal) {
  auto app = std::make_shared<FakeApplication>();
  EXPECT_EQ(ErrorOf([&] { app->ActiveProject(); }), 91);

  auto project = app->AddProject("Project1", "C:\\P\\P.VBP");
  auto form1 = project->AddComponent("Form1", {"C:\\P\\FORM1.FRM", "C:\\P\\FORM1.FRX"});
  project->AddComponent("Module1", {"C:\\P\\MODULE1.BAS"});
  project->Select({"Module1"});
  auto selected = app->ActiveProject()->SelectedComponents();
  ASSERT_EQ(selected->Count(), 1);
  EXPECT_EQ(selected->Item(0)->Name(), "Module1");
  EXPECT_EQ(ErrorOf([&] { selected->Item(1); }), 9);
  EXPECT_EQ(ErrorOf([&] { form1->FileNames(2); }), 9);

  std::vector<std::string> log;
  auto sink = std::make_shared<ProjectSink>(log);
  auto gone = std::make_shared<ProjectSink>(log);
  long a = project->ConnectEvents(sink);
  long b = project->ConnectEvents(gone);
  long c = app->GetFileControl()->ConnectEvents(std::weak_ptr<ide::FileControlEvents>());
  EXPECT_NE(a, b);
  EXPECT_EQ(ErrorOf([&] { project->DisconnectEvents(c); }), 5);
  gone.reset();
  EXPECT_EQ(project->RaiseCheckOut(), 1);
  project->DisconnectEvents(a);
  EXPECT_EQ(project->RaiseCheckIn(), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"CheckOut"}));

  form1->SetState(2);
  project->Component("Module1")->SetState(1);
  project->SetIsDirty(false);
  project->SaveAs("C:\\Q\\P.VBP");
  app->SetLockMode(1);
  app->ReloadProject("C:\\Q\\P.VBP", true);
  const auto& j = app->journal();
  EXPECT_EQ(j.state_writes, (std::vector<StateWrite>{{"Form1", 2}, {"Module1", 1}}));
  EXPECT_EQ(j.saves, (std::vector<SaveAsCall>{{"Project1", "C:\\Q\\P.VBP"}}));
  EXPECT_EQ(j.dirty_writes, (std::vector<DirtyWrite>{{"Project1", false}}));
  EXPECT_EQ(j.lock_mode_writes, (std::vector<short>{1}));
  EXPECT_EQ(j.reloads, (std::vector<Reload>{{"C:\\Q\\P.VBP", true}}));
  EXPECT_EQ(j.connections, (std::vector<Connection>{{"project Project1", a, true},
                                                    {"project Project1", b, true},
                                                    {"file control", c, true},
                                                    {"project Project1", a, false}}));

  app->SetActiveProject(nullptr);
  EXPECT_EQ(ErrorOf([&] { app->ActiveProject(); }), 91);
}

}  // namespace
