// The IDE's root object handed to OnConnection: its command bars, their click subscriptions,
// its executable path and the active project.
#pragma once

#include <memory>
#include <string>

#include "host/command_bars.hpp"
#include "host/ide_model.hpp"

namespace vbhost {

class HostVBE : public platform::ide::VBE {
 public:
  HostVBE(HostObserver& observer, platform::Clipboard& clipboard, std::shared_ptr<HostApplication> app,
          std::string full_name)
      : observer_(observer),
        bars_(std::make_shared<HostCommandBars>(observer, clipboard)),
        app_(std::move(app)),
        full_name_(std::move(full_name)) {}

  std::shared_ptr<platform::ide::CommandBars> GetCommandBars() override { return bars_; }
  std::shared_ptr<platform::ide::CommandBarEvents> GetCommandBarEvents(
      std::shared_ptr<platform::ide::CommandBarControl> control) override;
  std::string FullName() const override { return full_name_; }
  std::shared_ptr<platform::ide::VBProject> ActiveVBProject() override { return app_->ActiveProject(); }

  HostCommandBars& bars() { return *bars_; }
  void SetFullName(std::string full_name) { full_name_ = std::move(full_name); }

 private:
  HostObserver& observer_;
  std::shared_ptr<HostCommandBars> bars_;
  std::shared_ptr<HostApplication> app_;
  std::string full_name_;
};

}  // namespace vbhost
