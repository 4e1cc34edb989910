// The seam between the link's protocol (LinkConversation) and what carries one conversation to a
// server's topic: the real ones are the session bus (dbus::BusCarrier) and a server's direct D-Bus
// connection (dbus::DirectCarrier); DDEML's on Windows.
// A carrier moves the messages and says how a call failed in these few words; what that means
// to VB (285, 286, 291), the NUL rule and the advise links are the protocol's, written once.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace dde {

// Why a call through a carrier came to nothing.
enum class CarrierFailure {
  kRefused,   // the server answered no, or the carrier could not send it
  kTimedOut,  // no answer in time
  kPeerGone,  // the connection to the server is gone
};

// An item's value, or why there is none.
struct CarriedValue {
  std::optional<CarrierFailure> failure;
  std::string value;
};

// Told each change of an advised item as the server sent it; it may throw, and the carrier keeps
// the exception from its library's frames and rethrows it from Settle or the transport's Pump.
using ItemChangeSink = std::function<void(std::string_view item, const std::string& value)>;

class LinkCarrier {
 public:
  virtual ~LinkCarrier() = default;

  // Where the changes of advised items go; set once, before the first Advise.
  virtual void Listen(ItemChangeSink sink) = 0;
  // Whether the carrier can name the item at all; one it cannot is refused before anything is sent.
  virtual bool Carries(std::string_view item) const = 0;
  // Sends an execute string (it holds no NUL) and waits for the server's answer.
  virtual std::optional<CarrierFailure> Execute(const std::string& command) = 0;
  // Asks for an item's value.
  virtual CarriedValue Request(std::string_view item) = 0;
  // Starts the advise loop of `item`, whose changes go to the sink from then on; one loop per
  // item, so advising it again changes nothing here.
  virtual std::optional<CarrierFailure> Advise(std::string_view item) = 0;
  // Delivers the item changes the server sent before its last answer.
  virtual void Settle() = 0;
  // Whether the server at the other end is still there: a failure from a server gone is 291.
  virtual bool PeerAlive() = 0;
};

}  // namespace dde
