// Start-up, re-link and shutdown of the engine link.
#include <string>

#include "addin/engine/engine_vocabulary.hpp"
#include "addin/engine/frm_dde.hpp"
#include "addin/events/nvb5_fevents.hpp"
#include "addin/events/nvb5_proj_events.hpp"
#include "addin/history/frm_splash.hpp"
#include "addin/main_module.hpp"
#include "addin/operations/frm_extract.hpp"
#include "addin/operations/frm_update.hpp"
#include "addin/shell/nvb5_version_control.hpp"
#include "vbrt/object.hpp"
#include "vbrt/on_error.hpp"

namespace norb {

using namespace vb;

void nvb5VersionControl::ConnectAddIn(std::shared_ptr<platform::ide::Application> vbinstance) {
  MainModule& m = m_;
  auto step = OnError::ResumeNext();
  step([&] { m.frmSplash->Show(); });
  step([&] { m.frmSplash->lblCap.SetCaption(" Connecting..."); });
  step([&] { m.gVBInst = vbinstance; });
  step([&] { FileEventID = Obj(Obj(m.gVBInst).GetFileControl()).ConnectEvents(m.gFileEvents()); });
  step([&] { m.gProjEventID = Obj(Obj(m.gVBInst).ActiveProject()).ConnectEvents(m.gProjEvents()); });
  step([&] { m.frmSplash->lblCap.SetCaption("Loading ..."); });
  step([&] { m.get_data_path(); });
  step([&] { m.startNORB(); });
  step([&] { m.frmSplash->lblCap.SetCaption("Linking..."); });
  step([&] { m.frmDDE->Text1.SetLinkTopic(std::string(engine::kCommandTopic)); });
  step([&] { m.frmDDE->Text1.SetLinkMode(2); });
  step([&] { m.frmDDE->Text2.SetLinkTopic(std::string(engine::kStatusTopic)); });
  step([&] { m.frmDDE->Text2.SetLinkItem(std::string(engine::kStatusItem)); });
  step([&] { m.frmDDE->Text2.SetLinkMode(1); });
  step([&] { m.ChangeEngineDir(); });
  step([&] { m.ReadLockMode(); });
  step([&] { Obj(m.gVBInst).SetLockMode(static_cast<short>(m.gLockMode)); });
  step([&] { m.frmSplash->lblCap.SetCaption("Checking project..."); });
  step([&] { m.CheckProjIcons(); });
  step([&] { m.frmSplash->lblCap.SetCaption("Ready..."); });
  step([&] { m.runtime().DoEvents(); });
  step([&] { m.frmSplash->Hide(); });
  step([&] { m.frmSplash.Unload(); });
}

void nvb5VersionControl::DisconnectAddIn(long /*Mode*/) {
  MainModule& m = m_;
  auto step = OnError::ResumeNext();
  step([&] { Obj(Obj(m.gVBInst).ActiveProject()).DisconnectEvents(m.gProjEventID); });
  step([&] { Obj(Obj(m.gVBInst).GetFileControl()).DisconnectEvents(FileEventID); });
  // The local reference to the IDE's object is dropped here; gVBInst itself is never cleared.
  step([&] { m.CloseDown(); });
}

void MainModule::rcnct() {
  auto step = OnError::ResumeNext();
  step([&] { frmSplash->Show(); });
  step([&] { frmSplash->lblCap.SetCaption("Linking..."); });
  step([&] { Obj(Obj(gVBInst).ActiveProject()).DisconnectEvents(gProjEventID); });
  step([&] { runtime().DoEvents(); });
  step([&] { gProjEventID = Obj(Obj(gVBInst).ActiveProject()).ConnectEvents(gProjEvents()); });
  step([&] { ChangeEngineDir(); });
  step([&] { frmSplash->lblCap.SetCaption("Checking project..."); });
  step([&] { ReadLockMode(); });
  step([&] { CheckProjIcons(); });
  step([&] { frmSplash.Unload(); });
}

void MainModule::CloseDown() {
  auto step = OnError::ResumeNext();
  step([&] { frmDDE->Text2.SetLinkMode(0); });
  step([&] {
    while (frmDDE->Text1.LinkMode() != 0) frmDDE->Text1.SetLinkMode(0);
  });
  step([&] { frmDDE.Unload(); });
  step([&] { frmExtract.Unload(); });
  step([&] { frmUpdate.Unload(); });
  step([&] { frmSplash.Unload(); });
  runtime().End();
}

}  // namespace norb
