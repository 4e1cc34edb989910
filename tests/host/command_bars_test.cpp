#include "host/command_bars.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "tests/fakes/fake_clipboard.hpp"
#include "tests/support/vb_error.hpp"

namespace vbhost {
namespace {

struct Ignored : HostObserver {
  void Emit(const HostEvent&) override {}
};

// A control the add-in deleted fails every later call as the IDE's automation does, naming the
// call, so an add-in that keeps a stale reference is told which use was wrong.
TEST(CommandBars, ADeletedControlFailsEveryCallNamingIt) {
  Ignored observer;
  fakes::FakeClipboard clipboard;
  auto bar =
      std::make_shared<HostCommandBar>(observer, clipboard, "Tools", std::vector<std::string>{"&Options..."});
  std::shared_ptr<platform::ide::CommandBarControl> control = bar->Controls()->Add(1, 1, "NORBVB5");
  control->Delete();
  for (const auto& [method, call] : std::initializer_list<std::pair<std::string, std::function<void()>>>{
           {"Caption", [&] { control->SetCaption("Check &In"); }},
           {"Caption", [&] { (void)control->Caption(); }},
           {"BeginGroup", [&] { control->SetBeginGroup(true); }},
           {"BeginGroup", [&] { (void)control->BeginGroup(); }},
           {"PasteFace", [&] { control->PasteFace(); }},
           {"Delete", [&] { control->Delete(); }}}) {
    EXPECT_EQ(testing_support::RaisedBy(call),
              (testing_support::Raised{-2147467259,
                                       "Method '" + method + "' of object '_CommandBarButton' failed"}))
        << method;
  }
}

}  // namespace
}  // namespace vbhost
