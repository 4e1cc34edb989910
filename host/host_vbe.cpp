#include "host/host_vbe.hpp"

#include "vbrt/error.hpp"

namespace vbhost {

std::shared_ptr<platform::ide::CommandBarEvents> HostVBE::GetCommandBarEvents(
    std::shared_ptr<platform::ide::CommandBarControl> control) {
  auto ours = std::dynamic_pointer_cast<HostCommandBarControl>(control);
  if (!ours) vb::Raise(vb::err::ObjectNotSet);
  return std::make_shared<HostCommandBarEvents>(observer_, std::move(ours));
}

}  // namespace vbhost
