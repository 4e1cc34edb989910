// The lock state of one file, asked of the engine, and the start-up pass that writes every
// component's state into the IDE.
#include <string>

#include "addin/engine/engine_vocabulary.hpp"
#include "addin/engine/frm_dde.hpp"
#include "addin/history/frm_splash.hpp"
#include "addin/main_module.hpp"
#include "vbrt/object.hpp"
#include "vbrt/on_error.hpp"
#include "vbrt/strings.hpp"

namespace norb {

using namespace vb;

namespace {
// An engine that keeps answering with nothing is asked this often, then taken as NoLockFile.
constexpr int kLockQueryTries = 10;
}  // namespace

LockState MainModule::LockStatus(const std::string& file) {
  LockState state = NoLockFile;
  TrapAndExit(
      [&] {
        std::string reply;
        int tries = 0;
        do {
          frmDDE->Text1.LinkExecute(std::string(engine::kLockQuery) + file);
          reply = frmDDE->Text2.Text();
          if (InStr(LCase(reply), engine::kNotCheckedOut) > 0) state = NotCheckedOut;
          if (InStr(LCase(reply), engine::kCheckedOutToOther) > 0) state = CheckedOutToOther;
          if (InStr(LCase(reply), engine::kCheckedOutToYou) > 0) state = CheckedOutToYou;
          if (InStr(UCase(reply), engine::kNoLockFile) > 0) state = NoLockFile;
        } while (Trim(reply) == "" && ++tries < kLockQueryTries);
      },
      [&](const Error& e) {
        SystemModalMessage(e.description());
        state = NoLockFile;
      });
  return state;
}

bool MainModule::CheckProjIcons() {
  bool result = false;
  auto components = Obj(Obj(gVBInst).ActiveProject()).Components();
  long n = Obj(components).Count();
  frmSplash->ProgressBar1.SetMax(static_cast<float>(n - 1));
  for (long i = 0; i <= n - 1; ++i) {
    frmSplash->ProgressBar1.SetValue(static_cast<float>(i));
    auto c = Obj(components).Item(static_cast<int>(i));
    if (Obj(c).IsDirty()) {
      result = true;
      break;
    }
    frmSplash->lblCap.SetCaption(c->Name());
    std::string f = c->FileNames(0);
    if (sys().files.Dir(f) == "") {
      result = true;
      break;
    }
    ShortFileName(f);
    if (gLockMode == 1) {
      LockState s = LockStatus(f);
      if (c->State() != s) c->SetState(s);
    }
  }
  frmSplash->lblCap.SetCaption("Ready...");
  return result;
}

}  // namespace norb
