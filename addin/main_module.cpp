#include "addin/main_module.hpp"

#include "addin/engine/frm_dde.hpp"
#include "addin/events/nvb5_fevents.hpp"
#include "addin/events/nvb5_proj_events.hpp"
#include "addin/history/frm_splash.hpp"
#include "addin/history/frm_versions.hpp"
#include "addin/operations/frm_extract.hpp"
#include "addin/operations/frm_update.hpp"
#include "addin/shell/nvb5_version_control.hpp"
#include "norb/version.hpp"

namespace norb {

MainModule::MainModule(platform::Services services)
    : rt_(services),
      frmSplash(rt_, [this] { return std::make_unique<forms::frmSplash>(rt_); }),
      frmDDE(rt_, [this] { return std::make_unique<forms::frmDDE>(rt_); }),
      frmExtract(rt_, [this] { return std::make_unique<forms::frmExtract>(*this); }),
      frmUpdate(rt_, [this] { return std::make_unique<forms::frmUpdate>(*this); }),
      frmVersions(rt_, [this] { return std::make_unique<forms::frmVersions>(rt_); }) {}

MainModule::~MainModule() = default;

std::shared_ptr<nvb5VersionControl> MainModule::CreateConnectClass() {
  connect_classes_.push_back(std::make_shared<nvb5VersionControl>(*this));
  return connect_classes_.back();
}

std::shared_ptr<nvb5FEvents> MainModule::gFileEvents() {
  if (!file_events_) file_events_ = std::make_shared<nvb5FEvents>(*this);
  return file_events_;
}

std::shared_ptr<nvb5ProjEvents> MainModule::gProjEvents() {
  if (!proj_events_) proj_events_ = std::make_shared<nvb5ProjEvents>(*this);
  return proj_events_;
}

std::shared_ptr<MainModule> StartProcess(platform::Services services, std::string app_path) {
  auto m = std::make_shared<MainModule>(services);
  vb::App& app = m->App();
  app.Title = "NORBVB5";
  app.Path = std::move(app_path);
  app.Major = kVersionMajor;
  app.Minor = kVersionMinor;
  app.Revision = kVersionRevision;
  return m;
}

}  // namespace norb
