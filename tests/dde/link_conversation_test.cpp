// The link's protocol over a carrier that records what it was asked to carry: what any carrier,
// the bus, a direct connection or DDEML, gets from it.
#include "dde/link_conversation.hpp"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/dde/raised.hpp"

namespace {

using namespace std::string_literals;
using namespace testing_support;
using Strings = std::vector<std::string>;
using dde::CarrierFailure;

// A server's topic as a carrier sees it: items with values, the changes the server sends before
// its next answer, how that answer fails, and whether the server is still there.
struct Peer {
  std::map<std::string, std::string, std::less<>> items;
  std::vector<std::pair<std::string, std::string>> changes;  // sent before the next answer
  std::optional<CarrierFailure> failure;                     // of every call
  bool alive = true;
  Strings carried;  // what reached the carrier, in order
};

class RecordingCarrier final : public dde::LinkCarrier {
 public:
  explicit RecordingCarrier(Peer& peer) : peer_(peer) {}

  void Listen(dde::ItemChangeSink sink) override { sink_ = std::move(sink); }
  // Names with a '|' cannot be carried.
  bool Carries(std::string_view item) const override { return item.find('|') == std::string_view::npos; }
  std::optional<CarrierFailure> Execute(const std::string& command) override {
    peer_.carried.push_back("execute " + command);
    return peer_.failure;
  }
  dde::CarriedValue Request(std::string_view item) override {
    peer_.carried.push_back("request " + std::string(item));
    if (peer_.failure) return {peer_.failure, {}};
    const auto found = peer_.items.find(item);
    if (found == peer_.items.end()) return {CarrierFailure::kRefused, {}};
    return {std::nullopt, found->second};
  }
  std::optional<CarrierFailure> Advise(std::string_view item) override {
    peer_.carried.push_back("advise " + std::string(item));
    return peer_.failure;
  }
  void Settle() override {
    for (auto& [item, value] : std::exchange(peer_.changes, {})) sink_(item, value);
  }
  bool PeerAlive() override {
    peer_.carried.push_back("alive?");
    return peer_.alive;
  }

 private:
  Peer& peer_;
  dde::ItemChangeSink sink_;
};

// Every call's failure has one number, whichever call it was: a server gone has quit, whatever
// the carrier saw; one still there timed out or refused.
TEST(LinkConversation, EachFailureOfEveryCallHasOneNumberAndAServerGoneHasQuit) {
  // What the carrier saw, whether the server is still there, and what every call raises.
  const std::tuple<CarrierFailure, bool, Raised> cases[] = {
      {CarrierFailure::kRefused, true, kRefused},  {CarrierFailure::kRefused, false, kQuit},
      {CarrierFailure::kTimedOut, true, kTimeout}, {CarrierFailure::kTimedOut, false, kQuit},
      {CarrierFailure::kPeerGone, true, kQuit},
  };
  for (const auto& [failure, alive, raised] : cases) {
    Peer peer{{{"txtStatus", "Ready"}}, {}, failure, alive, {}};
    dde::LinkConversation link(std::make_unique<RecordingCarrier>(peer));
    const std::string why = std::to_string(static_cast<int>(failure)) + (alive ? " alive" : " gone");
    EXPECT_EQ(RaisedBy([&] { link.Execute("T x"); }), raised) << why;
    EXPECT_EQ(RaisedBy([&] { link.Request("txtStatus"); }), raised) << why;
    EXPECT_EQ(RaisedBy([&] { link.Advise("txtStatus", [](const std::string&) {}); }), raised) << why;
  }
}

// What no carrier can carry is refused as a server refuses, and nothing reaches the carrier: a
// command cut at its NUL would name another file. The changes a server sent before its answer
// reach the advised items' callbacks, in order, before the execute returns, also when it failed;
// the loop starts before the value is read, so no change falls between; a callback may advise its
// own item anew.
TEST(LinkConversation, WhatCannotBeCarriedIsRefusedUnsentAndChangesBeforeAnAnswerArriveInOrder) {
  Peer peer{{{"txtStatus", "Ready"}, {"txtOther", "-"}}, {}, std::nullopt, true, {}};
  dde::LinkConversation link(std::make_unique<RecordingCarrier>(peer));
  EXPECT_EQ(RaisedBy([&] { link.Execute("T frm\0Timesheet.frm"s); }), kRefused);
  EXPECT_EQ(RaisedBy([&] { link.Request("txt|Status"); }), kRefused);
  EXPECT_EQ(RaisedBy([&] { link.Advise("txt|Status", [](const std::string&) {}); }), kRefused);
  EXPECT_EQ(peer.carried, Strings{});
  // An item the server lacks is its refusal.
  EXPECT_EQ(RaisedBy([&] { link.Request("txtNone"); }), kRefused);

  Strings heard;
  EXPECT_EQ(link.Advise("txtStatus", [&](const std::string& value) { heard.push_back("1 " + value); }),
            "Ready");
  EXPECT_EQ(peer.carried, (Strings{"request txtNone", "alive?", "advise txtStatus", "request txtStatus"}));

  peer.changes = {{"txtStatus", "Busy"}, {"txtOther", "unadvised"}, {"txtStatus", "done"}};
  link.Execute("T a");
  EXPECT_EQ(heard, (Strings{"1 Busy", "1 done"}));

  peer.changes = {{"txtStatus", "refused"}};
  peer.failure = CarrierFailure::kRefused;
  EXPECT_EQ(RaisedBy([&] { link.Execute("NO b"); }), kRefused);
  EXPECT_EQ(heard, (Strings{"1 Busy", "1 done", "1 refused"}));

  peer.failure.reset();
  link.Advise("txtStatus", [&](const std::string& value) {
    heard.push_back("2 " + value);
    link.Advise("txtStatus", [&](const std::string& again) { heard.push_back("3 " + again); });
  });
  peer.changes = {{"txtStatus", "x"}, {"txtStatus", "y"}};
  link.Execute("T c");
  EXPECT_EQ(heard, (Strings{"1 Busy", "1 done", "1 refused", "2 x", "3 y"}));
}

}  // namespace
