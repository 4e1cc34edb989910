// What the links do, told to whoever keeps a transcript of it (the IDE stand-in). Every LinkMode
// write and every LinkExecute is told once, after it finished and before its error propagates,
// so the calls arrive in the order they were made.
#pragma once

#include <string>
#include <string_view>

namespace dde {

struct LinkModeWrite {
  std::string form;
  std::string control;
  std::string topic;  // LinkTopic as set, "APP|topic"
  std::string item;
  int mode = 0;
  bool ok = true;
  int error = 0;  // VB's error number when it failed

  bool operator==(const LinkModeWrite&) const = default;
};

struct LinkExecuteCall {
  std::string form;
  std::string control;
  std::string topic;  // the topic of the link the command went to; LinkTopic when there was none
  std::string command;
  bool ok = true;
  int error = 0;

  bool operator==(const LinkExecuteCall&) const = default;
};

class LinkObserver {
 public:
  virtual ~LinkObserver() = default;
  virtual void LinkModeWritten(const LinkModeWrite& write) = 0;
  virtual void LinkExecuted(const LinkExecuteCall& call) = 0;
  // A text box's Text was read: what its link carried, as the program saw it.
  virtual void LinkTextRead(std::string_view /*form*/, std::string_view /*control*/,
                            std::string_view /*text*/) {}
};

}  // namespace dde
