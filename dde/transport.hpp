// The client side of a DDE transport: what a text-box link needs from whatever carries DDE
// (the in-process bus for scripted engines and tests, D-Bus between processes).
// Everything runs on the caller's thread; a transport starts no thread of its own, so item
// updates reach their callbacks only inside Pump or Execute.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace dde {

// Told each new value of an advised item, in the order the server set them.
using ItemCallback = std::function<void(const std::string& value)>;

// One conversation with a server's topic. Destroying it terminates the conversation, which never
// fails, and ends its advise links.
class Conversation {
 public:
  virtual ~Conversation() = default;

  // Raises 285 when the server refuses, 286 on a time-out, 291 when the server has quit.
  // Every item update the server made while handling the command has reached its callback
  // before this returns, whether or not the command was taken.
  virtual void Execute(std::string_view command) = 0;
  // The item's current value; 285 for an item the topic does not have, 291 when the server has quit.
  virtual std::string Request(std::string_view item) = 0;
  // Subscribes `on_change` to the item (replacing an earlier subscription to it) and answers its
  // current value; errors as Request. A callback must not destroy its own conversation.
  virtual std::string Advise(std::string_view item, ItemCallback on_change) = 0;
};

class Transport {
 public:
  virtual ~Transport() = default;

  // Opens a conversation with `application`'s `topic`; raises 282 when no server has the topic.
  virtual std::unique_ptr<Conversation> Initiate(std::string_view application, std::string_view topic) = 0;
  // A program that may become a server has just been started: for a short while a transport that
  // can see servers start lets an initiate wait for one. Without a launch an initiate never
  // waits, as nothing can come. The in-process bus has nothing to wait for.
  virtual void ServerLaunched() {}
  // Delivers every pending item update of every conversation to its callback. Updates belong
  // to the connection, not to one conversation: an execute on one topic changes items of another.
  virtual void Pump() = 0;
};

}  // namespace dde
