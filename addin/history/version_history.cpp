// Version history and delta compare of the component selected in the Project window.
#include <string>

#include "addin/engine/engine_vocabulary.hpp"
#include "addin/engine/frm_dde.hpp"
#include "addin/history/frm_versions.hpp"
#include "addin/history/history_lines.hpp"
#include "addin/main_module.hpp"
#include "vbrt/object.hpp"
#include "vbrt/on_error.hpp"
#include "vbrt/strings.hpp"

namespace norb {

using namespace vb;

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
  step(
      [&] { ListHistoryLines(t, [&](const std::string& line) { frmVersions->lstVersions.AddItem(line); }); });
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
