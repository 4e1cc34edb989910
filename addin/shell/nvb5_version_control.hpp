// nvb5VersionControl: the connect class the IDE creates for the add-in. ConnectAddIn and
// DisconnectAddIn start and stop the engine link and the event sinks.
#pragma once

#include <memory>

#include "platform/ide.hpp"

namespace norb {

class MainModule;

class nvb5VersionControl {
 public:
  explicit nvb5VersionControl(MainModule& m) : m_(m) {}

  // The connection number of the file-control sink; handed back unchanged on disconnection.
  long FileEventID = 0;

  void ConnectAddIn(std::shared_ptr<platform::ide::Application> vbinstance);
  void DisconnectAddIn(long Mode);

 private:
  MainModule& m_;
};

}  // namespace norb
