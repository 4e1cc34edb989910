// Version history and delta compare of the component selected in the Project window.
#include <string>

#include "addin/engine/engine_vocabulary.hpp"
#include "addin/engine/frm_dde.hpp"
#include "addin/history/frm_versions.hpp"
#include "addin/main_module.hpp"
#include "vbrt/object.hpp"
#include "vbrt/on_error.hpp"
#include "vbrt/strings.hpp"

namespace norb {

using namespace vb;

namespace {
// The engine's first two lines (the title and the column heading) are never listed.
constexpr long kFirstListedLine = 3;
}  // namespace

bool MainModule::SelectedSavedFile(std::shared_ptr<platform::ide::VBComponent>& c, std::string& f) {
  auto step = OnError::ResumeNext();
  step([&] { c = Obj(Obj(Obj(gVBInst).ActiveProject()).SelectedComponents()).Item(0); });
  step([&] { f = Obj(c).FileNames(0); });
  bool saved = true;
  step([&] {
    if (sys().files.Dir(f) == "") {
      SystemModalMessage(f + " needs saving...");
      saved = false;
    }
  });
  if (!saved) return false;
  step([&] {
    if (Obj(c).IsDirty()) {
      SystemModalMessage(f + " needs saving...");
      saved = false;
    }
  });
  return saved;
}

void MainModule::ShowVersionHistory() {
  auto step = OnError::ResumeNext();
  std::shared_ptr<platform::ide::VBComponent> c;
  std::string f;
  std::string n;
  std::string t;
  if (!SelectedSavedFile(c, f)) return;
  step([&] { n = Obj(c).Name(); });
  step([&] { ShortFileName(f); });
  step([&] { frmDDE->Text1.LinkExecute(std::string(engine::kHistory) + f); });
  step([&] { frmVersions->SetCaption("Version History of " + f + " (" + n + ")"); });
  step([&] { t = frmDDE->Text2.Text(); });
  step([&] {
    long k = 0;
    while (true) {
      k = k + 1;
      Long p = InStr(t, vbLf);
      if (p == 0) break;
      std::string line = Left(t, p - 1);
      t = Mid(t, p + 1);
      line = Trim(line);
      // Tested before the carriage return is cut: a CR LF line that is empty is listed empty.
      if (line != "" && k >= kFirstListedLine) {
        if (InStr(line, vbCr) > 0) line = Left(line, InStr(line, vbCr) - 1);
        if (InStr(line, vbLf) > 0) line = Left(line, InStr(line, vbLf) - 1);
        frmVersions->lstVersions.AddItem(line);
      }
    }
  });
  step([&] { frmVersions->Show(vbModal); });
}

void MainModule::DeltaCompare() {
  auto step = OnError::ResumeNext();
  std::shared_ptr<platform::ide::VBComponent> c;
  std::string f;
  if (!SelectedSavedFile(c, f)) return;
  step([&] { ShortFileName(f); });
  step([&] { frmDDE->Text1.LinkExecute(std::string(engine::kCompare) + f + " " + f); });
}

}  // namespace norb
