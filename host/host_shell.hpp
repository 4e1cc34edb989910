// Program launches of an IDE session: every launch is reported to the host's observer; a real engine is
// started as a real process, a scripted or absent one only recorded.
#pragma once

#include <functional>
#include <vector>

#include "host/host_observer.hpp"
#include "platform/shell.hpp"

namespace vbhost {

class HostShell : public platform::Shell {
 public:
  // `real` null: launches are recorded, not started.
  HostShell(HostObserver& observer, platform::Shell* real) : observer_(observer), real_(real) {}
  double Run(std::string_view command_line, int window_style) override;
  void SetReal(platform::Shell* real) { real_ = real; }
  // Told after each program really started, and only then.
  void OnStarted(std::function<void()> started) { on_started_ = std::move(started); }
  // The task ids of the programs really started, for a run whose bus goes away with it.
  const std::vector<double>& started() const { return started_; }

 private:
  HostObserver& observer_;
  platform::Shell* real_;
  double next_task_ = 1000;
  std::vector<double> started_;
  std::function<void()> on_started_;
};

}  // namespace vbhost
