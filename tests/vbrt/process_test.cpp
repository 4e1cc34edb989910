#include "vbrt/process.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/fakes/fake_services.hpp"
#include "vbrt/forms.hpp"
#include "vbrt/on_error.hpp"

namespace {

struct Sink {
  virtual ~Sink() = default;
  virtual void Fire() = 0;
};

// A miniature add-in process: a runtime, a global, a form and a sink it hands out weakly.
struct MiniState {
  explicit MiniState(platform::Services s, std::vector<std::string>& log) : rt(s), log(log) {}
  vb::Runtime& runtime() { return rt; }
  vb::Runtime rt;
  std::vector<std::string>& log;
  long gLockMode = 0;
  vb::FormSlot<vb::Form> frmSplash{rt, [this] { return std::make_unique<vb::Form>(rt, "frmSplash"); }};
  std::shared_ptr<Sink> sink;
};

struct LoggingSink : Sink {
  explicit LoggingSink(MiniState& s) : s(s) {}
  void Fire() override { s.log.push_back("sink fired"); }
  MiniState& s;
};

struct ProcessTest : ::testing::Test {
  fakes::FakeServices fake;
  std::vector<std::string> log;
  vb::Process<MiniState> process{std::make_shared<MiniState>(fake.services(), log)};
};

TEST_F(ProcessTest, EndPassesEveryTrapAndDestroysTheState) {
  bool ended_seen = false;
  process.OnEnded([&] { ended_seen = true; });
  std::weak_ptr<MiniState> weak = process.weak();
  std::weak_ptr<Sink> weak_sink;
  EXPECT_TRUE(process.Call([&] {
    MiniState& s = *process.state();
    s.sink = std::make_shared<LoggingSink>(s);
    weak_sink = s.sink;
    s.frmSplash->Show();
    s.gLockMode = 1;
  }));

  bool ran = process.Call([&] {
    MiniState& s = *process.state();
    auto step = vb::OnError::ResumeNext();
    step([&] { s.log.push_back("before End"); });
    step([&] { s.rt.End(); });
    step([&] { s.log.push_back("after End"); });
  });
  EXPECT_FALSE(ran);
  EXPECT_TRUE(ended_seen);
  EXPECT_TRUE(weak.expired());
  EXPECT_TRUE(weak_sink.expired());  // the host's weak reference to a sink is dead
  EXPECT_FALSE(process.alive());
  EXPECT_FALSE(process.Call([&] { log.push_back("never"); }));
  EXPECT_EQ(log, (std::vector<std::string>{"before End"}));
}

TEST_F(ProcessTest, EndInsideANestedHostCallUnwindsThroughTheHost) {
  std::vector<std::string> host;
  bool ran = process.Call([&] {
    log.push_back("add-in calls the host");
    try {
      // The host, inside the add-in's call, calls back in (a modal form's button, a sink).
      process.Call([&] { process.state()->rt.End(); });
      host.push_back("host goes on after the inner call");
    } catch (const vb::EndSignal&) {
      host.push_back("host frame unwound");
      throw;
    }
    log.push_back("never");
  });
  EXPECT_FALSE(ran);
  EXPECT_EQ(host, (std::vector<std::string>{"host frame unwound"}));
  EXPECT_EQ(log, (std::vector<std::string>{"add-in calls the host"}));
  EXPECT_FALSE(process.alive());
}

TEST_F(ProcessTest, ErrorsReachTheHostAndTheProcessLivesOn) {
  try {
    process.Call([] { vb::Raise(285); });
    FAIL();
  } catch (const vb::Error& e) {
    EXPECT_EQ(e.number(), 285);
  }
  EXPECT_TRUE(process.alive());
  EXPECT_TRUE(process.Call([&] { process.state()->gLockMode = 1; }));
}

TEST_F(ProcessTest, AFreshProcessStartsFromDesignTimeValues) {
  process.Call([&] { process.state()->gLockMode = 1; });
  process.Call([&] { process.state()->rt.End(); });
  vb::Process<MiniState> next{std::make_shared<MiniState>(fake.services(), log)};
  EXPECT_EQ(next.state()->gLockMode, 0);
  EXPECT_FALSE(next.state()->frmSplash.Loaded());
}

}  // namespace
