#include "host/host_shell.hpp"

#include "vbrt/error.hpp"

namespace vbhost {

double HostShell::Run(std::string_view command_line, int window_style) {
  events::Launch e{std::string(command_line), window_style, false, std::nullopt};
  if (!real_) {
    observer_.Emit(e);
    return ++next_task_;
  }
  try {
    double task = real_->Run(command_line, window_style);
    started_.push_back(task);
    e.started = true;
    observer_.Emit(e);
    if (on_started_) on_started_();
    return task;
  } catch (const vb::Error& err) {
    e.number = err.number();
    observer_.Emit(e);
    throw;
  }
}

}  // namespace vbhost
