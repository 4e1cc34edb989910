// Check-out and check-in: one implementation, two parameter sets. Each run lists the project's
// components (or the project file) in its dialog, lets the developer choose, sends one engine
// command and has the IDE reload the project.
#include <functional>
#include <string>

#include "addin/engine/frm_dde.hpp"
#include "addin/history/frm_splash.hpp"
#include "addin/main_module.hpp"
#include "addin/operations/frm_extract.hpp"
#include "addin/operations/frm_update.hpp"
#include "vbrt/object.hpp"
#include "vbrt/on_error.hpp"
#include "vbrt/strings.hpp"

namespace norb {

using namespace vb;

namespace {

struct OperationKind {
  std::string initial_options;
  std::string caption_components;
  std::string caption_project;
  std::string error_prefix_components;
  std::string error_prefix_project;
};

const OperationKind kCheckOut{"EW", "Check-Out [Extract]", "Check-Out [Extract] Active Project",
                              "Check_Out -- ", "Project_Check_Out -- "};
const OperationKind kCheckIn{"UW", "Check-In [Update]", "Check-In [Update] Active Project", "Check_In -- ",
                             "Project_Check_In -- "};

}  // namespace

// The dialog of one kind of operation and the option text it hands back.
struct MainModule::Operation {
  const OperationKind& kind;
  std::function<forms::OptionsDialog&()> dialog;  // a reference loads it
  std::function<void()> unload;
  std::string& options;
};

void MainModule::RunOnComponents(const Operation& op) {
  auto step = OnError::Report(
      [&](const Error& e) { SystemModalMessage(op.kind.error_prefix_components + e.description()); });
  bool unsaved = false;
  step([&] { frmSplash->lblCap.SetCaption("Checking project..."); });
  step([&] { frmSplash->Show(); });
  step([&] { unsaved = CheckProjIcons2(op.dialog()); });
  step([&] { frmSplash->Hide(); });
  if (unsaved) {
    step([&] { SystemModalMessage("One or more project components need saving...  Save and try again."); });
    step([&] { op.unload(); });
    return;
  }
  std::shared_ptr<platform::ide::VBComponents> components;
  step([&] { op.options = op.kind.initial_options; });
  step([&] { components = Obj(Obj(gVBInst).ActiveProject()).Components(); });
  step([&] { op.dialog().SetCaption(op.kind.caption_components); });
  step([&] { op.dialog().Show(vbModal); });

  std::string command;
  if (gDialogCancelled == 0) {
    // The collection's order, and each component's own file order; the list's sorting plays no part.
    long count = 0;
    step([&] { count = Obj(components).Count(); });
    for (long i = 0; i < count; ++i) {
      std::shared_ptr<platform::ide::VBComponent> c;
      bool selected = false;
      step([&] { c = Obj(components).Item(static_cast<int>(i)); });
      step([&] {
        ListItem* item = op.dialog().ListView1.FindItem(Obj(c).Name());
        if (!item) Raise(err::ObjectNotSet);
        selected = item->Selected;
      });
      if (!selected) continue;
      int files = 0;
      step([&] { files = Obj(c).FileCount(); });
      for (int j = 0; j < files; ++j) {
        std::string path;
        step([&] { path = c->FileNames(j); });
        step([&] { ShortFileName(path); });
        step([&] {
          if (command == "") {
            command = op.options + " " + path;
          } else {
            command = command + "," + path;
          }
        });
      }
    }
    // Sent even when nothing was selected.
    step([&] { frmDDE->Text1.LinkExecute(command); });
    step([&] { Obj(gVBInst).ReloadProject(Trim(Obj(gVBInst->ActiveProject()).FileName()), true); });
  }
  step([&] { op.unload(); });
  components.reset();
}

void MainModule::RunOnProjectFile(const Operation& op) {
  auto step = OnError::Report(
      [&](const Error& e) { SystemModalMessage(op.kind.error_prefix_project + e.description()); });
  bool refused = false;
  step([&] { refused = CheckProjFile(op.dialog()); });
  step([&] { frmSplash->Hide(); });
  if (refused) {
    step([&] { op.unload(); });
    return;
  }
  step([&] { op.options = op.kind.initial_options; });
  step([&] { op.dialog().SetCaption(op.kind.caption_project); });
  step([&] { op.dialog().Show(vbModal); });
  if (gDialogCancelled != 0) {
    step([&] { op.unload(); });
    return;
  }
  // Only the options count here, not the list's selection.
  step([&] { op.unload(); });
  std::string path;
  step([&] { path = Trim(Obj(Obj(gVBInst).ActiveProject()).FileName()); });
  step([&] { ShortFileName(path); });
  step([&] { frmDDE->Text1.LinkExecute(op.options + " " + path); });
  step([&] { Obj(gVBInst).ReloadProject(Trim(Obj(gVBInst->ActiveProject()).FileName()), true); });
}

void MainModule::Check_Out() {
  RunOnComponents({kCheckOut, [this]() -> forms::OptionsDialog& { return *frmExtract; },
                   [this] { frmExtract.Unload(); }, gExtractOptions});
}

void MainModule::Project_Check_Out() {
  RunOnProjectFile({kCheckOut, [this]() -> forms::OptionsDialog& { return *frmExtract; },
                    [this] { frmExtract.Unload(); }, gExtractOptions});
}

void MainModule::Check_In() {
  RunOnComponents({kCheckIn, [this]() -> forms::OptionsDialog& { return *frmUpdate; },
                   [this] { frmUpdate.Unload(); }, gUpdateOptions});
}

void MainModule::Project_Check_In() {
  RunOnProjectFile({kCheckIn, [this]() -> forms::OptionsDialog& { return *frmUpdate; },
                    [this] { frmUpdate.Unload(); }, gUpdateOptions});
}

void MainModule::Get() {
  frmExtract->CheckBrowseMode.SetValue(vbChecked);
  frmExtract->CheckFastFreshn.SetValue(vbChecked);
  Check_Out();
}

void MainModule::Undo_Check_Out() {
  frmUpdate->chkDisc.SetValue(vbChecked);
  Check_In();
}

}  // namespace norb
