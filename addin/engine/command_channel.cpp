// The command channel: commands go out as executes on the command link, answers are read from
// the status link right after the execute returns.
#include <string>

#include "addin/engine/engine_vocabulary.hpp"
#include "addin/engine/frm_dde.hpp"
#include "addin/main_module.hpp"
#include "vbrt/object.hpp"
#include "vbrt/strings.hpp"

namespace norb {

using namespace vb;

void MainModule::ReadLockMode() {
  frmDDE->Text1.LinkExecute(engine::kLockModeQuery);
  std::string reply = frmDDE->Text2.Text();
  gLockMode = reply == engine::kLockModeOn ? 1 : 0;
}

void MainModule::ChangeEngineDir() {
  std::string f = Trim(Obj(Obj(gVBInst).ActiveProject()).FileName());
  if (f == "") return;
  while (Right(f, 1) != "\\") f = Left(f, Len(f) - 1);
  ShortDirName(f);
  frmDDE->Text1.LinkExecute(std::string(engine::kChangeDirectory) + f);
}

}  // namespace norb
