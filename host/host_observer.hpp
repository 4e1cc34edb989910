// What the IDE stand-in lets a person see, as one stream of typed events (host/host_events.hpp):
// the model (a component's state, the lock mode, a project's modified flag), the command bars,
// the VBE, the Windows API layer, the shell, the clipboard, the desktop and the forms UI all
// report through it. The scenario runner's transcript is one observer; a desktop front end is
// another.
#pragma once

#include <string_view>

#include "host/host_events.hpp"

namespace vbhost {

class HostObserver {
 public:
  virtual ~HostObserver() = default;
  virtual void Emit(const HostEvent& event) = 0;
  // The events so far are to be seen now: the IDE waits on another program, or a person.
  virtual void Flush() {}
  // The add-in read a link's text box: the engine's answer to what it last asked, as it arrived.
  virtual void LinkRead(std::string_view /*control*/, std::string_view /*text*/) {}
};

}  // namespace vbhost
