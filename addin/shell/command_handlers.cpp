// The menu buttons' click handlers: each runs one operation and passes it nothing.
#include <string>

#include "addin/engine/engine_vocabulary.hpp"
#include "addin/engine/frm_dde.hpp"
#include "addin/main_module.hpp"
#include "addin/shell/nvb5_version_control.hpp"
#include "vbrt/on_error.hpp"

namespace norb {

using namespace vb;
using Control = nvb5VersionControl::Control;

// Every check-in and check-out item runs the same operation, whichever menu it stands on: the
// dialog lists all components and the developer's selection decides.
void nvb5VersionControl::cbcCIThandler_Click(const Control&, bool&, bool&) { m_.Check_In(); }
void nvb5VersionControl::cbcCOThandler_Click(const Control&, bool&, bool&) { m_.Check_Out(); }
void nvb5VersionControl::cbcDocsCheckInhandler_Click(const Control&, bool&, bool&) { m_.Check_In(); }
void nvb5VersionControl::cbcDocsCheckOuthandler_Click(const Control&, bool&, bool&) { m_.Check_Out(); }
void nvb5VersionControl::cbcFormCheckInhandler_Click(const Control&, bool&, bool&) { m_.Check_In(); }
void nvb5VersionControl::cbcFormCheckOuthandler_Click(const Control&, bool&, bool&) { m_.Check_Out(); }
void nvb5VersionControl::cbcModClassCheckInhandler_Click(const Control&, bool&, bool&) { m_.Check_In(); }
void nvb5VersionControl::cbcModClassCheckOuthandler_Click(const Control&, bool&, bool&) { m_.Check_Out(); }
void nvb5VersionControl::cbcPrjCheckInhandler_Click(const Control&, bool&, bool&) { m_.Project_Check_In(); }
void nvb5VersionControl::cbcPrjCheckOuthandler_Click(const Control&, bool&, bool&) { m_.Project_Check_Out(); }

void nvb5VersionControl::cbcGTThandler_Click(const Control&, bool&, bool&) { m_.Get(); }
void nvb5VersionControl::cbcUCOThandler_Click(const Control&, bool&, bool&) { m_.Undo_Check_Out(); }

// History and compare take the component selected in the Project window, whichever folder's
// menu they were started from.
void nvb5VersionControl::cbcDFhandler_Click(const Control&, bool&, bool&) { m_.DeltaCompare(); }
void nvb5VersionControl::cbcDMChandler_Click(const Control&, bool&, bool&) { m_.DeltaCompare(); }
void nvb5VersionControl::cbcDRDhandler_Click(const Control&, bool&, bool&) { m_.DeltaCompare(); }
void nvb5VersionControl::cbcHFhandler_Click(const Control&, bool&, bool&) { m_.ShowVersionHistory(); }
void nvb5VersionControl::cbcHMChandler_Click(const Control&, bool&, bool&) { m_.ShowVersionHistory(); }
void nvb5VersionControl::cbcHRDhandler_Click(const Control&, bool&, bool&) { m_.ShowVersionHistory(); }

// No trap: a refused "CONFIG" goes to the IDE, and the re-link does not run.
void nvb5VersionControl::cbcOhandler_Click(const Control&, bool&, bool&) {
  m_.frmDDE->Text1.LinkExecute(engine::kConfigure);
  m_.rcnct();
}

void nvb5VersionControl::cbcRunNORBhandler_Click(const Control&, bool&, bool&) {
  TrapAndExit(
      [&] {
        if (m_.sys().files.Dir(m_.gEngineDir + std::string(engine::kEngineExe)) == "") {
          m_.sys().desktop.MsgBox(std::string(engine::kEngineExe) +
                                      " not found.  Make sure that the add-in exe is in the NORB dir...",
                                  platform::vbOKOnly, std::nullopt);
          return;
        }
        m_.sys().shell.Run(m_.gEngineDir + std::string(engine::kLaunchInteractive), platform::vbNormalFocus);
        m_.runtime().DoEvents();
      },
      [&](const Error& e) {
        m_.SystemModalMessage("startNORB -- " + e.description());
        m_.CloseDown();
      });
}

}  // namespace norb
