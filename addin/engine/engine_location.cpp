// Where the engine stands (beside the add-in's executable) and its launch for the link.
#include <string>

#include "addin/engine/engine_vocabulary.hpp"
#include "addin/main_module.hpp"
#include "vbrt/on_error.hpp"
#include "vbrt/strings.hpp"

namespace norb {

using namespace vb;

void MainModule::get_data_path() {
  auto step =
      OnError::Report([this](const Error& e) { SystemModalMessage("get_data_path -- " + e.description()); });
  long h = 0;
  std::string buffer;
  long n = 0;
  step([&] { h = sys().win32.GetModuleHandleA(engine::kAddInModule); });
  step([&] { buffer = String(254, '\0'); });
  step([&] { n = sys().win32.GetModuleFileNameA(h, buffer, 254); });
  step([&] {
    if (n == 0) {
      gEngineDir = App().Path;
    } else {
      // Cut by the module name's length, not at a backslash.
      gEngineDir = Trim(Left(Left(buffer, n), n - Len(engine::kAddInModule)));
    }
  });
  step([&] {
    if (Right(gEngineDir, 1) != "\\") gEngineDir = gEngineDir + "\\";
  });
  step([&] { App().HelpFile = gEngineDir + std::string(engine::kHelpFile); });
}

void MainModule::startNORB() {
  TrapAndExit(
      [&] {
        if (sys().files.Dir(gEngineDir + std::string(engine::kEngineExe)) == "") {
          sys().desktop.MsgBox(gEngineDir + std::string(engine::kEngineExe) +
                                   " not found.  Make sure that the add-in exe is in the NORB dir...",
                               platform::vbOKOnly, std::nullopt);
          return;
        }
        sys().shell.Run(gEngineDir + std::string(engine::kLaunchLinked), platform::vbNormalFocus);
        runtime().DoEvents();
      },
      [&](const Error& e) {
        SystemModalMessage("startNORB -- " + e.description());
        CloseDown();
      });
}

}  // namespace norb
