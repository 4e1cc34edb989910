// The passes that fill an option dialog's component list, ask for unsaved work to be saved and
// write each component's lock state into the IDE.
#include <string>

#include "addin/engine/frm_dde.hpp"
#include "addin/history/frm_splash.hpp"
#include "addin/main_module.hpp"
#include "addin/operations/frm_update.hpp"
#include "addin/status/lock_report.hpp"
#include "vbrt/common_controls.hpp"
#include "vbrt/object.hpp"
#include "vbrt/on_error.hpp"
#include "vbrt/strings.hpp"

namespace norb {

using namespace vb;

namespace {
// A form's list, reached by name as late binding would.
ListView& ListView1Of(Form& dialog) { return ListViewNamed(dialog, "ListView1"); }

// A row that could not be added is Nothing.
ListItem& Row(ListItem* r) {
  if (!r) Raise(err::ObjectNotSet);
  return *r;
}

// The row image of a lock state; 0 leaves the row without one.
int IconOf(long state) {
  switch (state) {
    case NoLockFile:
    case NotCheckedOut:
      return 1;
    case CheckedOutToYou:
      return 2;
    case CheckedOutToOther:
      return 3;
    default:
      return 0;
  }
}

// Whether the row's image shows a lock, its own or another's.
bool LockShown(const ListItem& r) { return r.SmallIcon == 2 || r.SmallIcon == 3; }

SetLockColumn ColumnsOf(ListItem& r) {
  return [&r](int column, const std::string& text) { r.SetSubItems(column, text); };
}

// The "File(s)" column: the first file's own name, and for exactly two files the second's last
// three characters.
std::string FilesText(const std::string& first, int file_count, const std::string& second) {
  std::string name = first;
  Long slash = InStrRev(name, "\\");
  if (slash > 0) name = Mid(name, slash + 1);
  name = Trim(name);
  if (file_count == 2) name = name + ", " + Right(second, 3);
  return name;
}

}  // namespace

bool MainModule::CheckProjIcons2(Form& dialog) {
  auto step = OnError::Report([this](const Error& e) {
    sys().desktop.MsgBox("CheckProjIcons2: " + e.description(), platform::vbOKOnly, std::nullopt);
  });
  bool result = false;
  std::shared_ptr<platform::ide::VBComponents> components;
  long n = 0;
  step([&] { components = Obj(Obj(gVBInst).ActiveProject()).Components(); });
  step([&] { n = Obj(components).Count(); });
  step([&] {
    if (n - 1 > 0) {
      frmSplash->ProgressBar1.SetMax(static_cast<float>(n - 1));
    } else {
      frmSplash->Hide();
    }
  });
  step([&] { ListView1Of(dialog).Clear(); });

  for (long i = 0; i <= n - 1; ++i) {
    std::shared_ptr<platform::ide::VBComponent> c;
    std::string f;
    ListItem* r = nullptr;
    bool declined = false;
    step([&] { c = Obj(components).Item(static_cast<int>(i)); });
    step([&] {
      if (frmSplash->Visible()) {
        frmSplash->ProgressBar1.SetValue(static_cast<float>(i));
        frmSplash->lblCap.SetCaption("Checking " + Obj(c).Name());
      }
    });
    step([&] { f = Obj(c).FileNames(0); });
    if (gLockMode == 1) {
      // A modified component whose file is read-only is not asked about: its write is refused.
      step([&] {
        if (Obj(c).IsDirty() && (sys().files.GetAttr(f) & platform::vbReadOnly) == 0) {
          int answer = sys().desktop.MsgBox(c->Name() + " [" + f + "] has changed, save now?",
                                            platform::vbYesNo + platform::vbQuestion, std::nullopt);
          if (answer == platform::vbNo) {
            declined = true;
          } else {
            c->SaveAs(f);
          }
        }
      });
      if (declined) {
        result = true;
        break;
      }
      LockState s = NoLockFile;
      step([&] { ShortFileName(f); });
      step([&] { s = LockStatus(f); });
      step([&] {
        if (Obj(c).State() != s) {
          c->SetState(s);
          runtime().DoEvents();
        }
      });
    }
    step([&] {
      r = &ListView1Of(dialog).Add();
      r->Text = Trim(Obj(c).Name());
    });
    step([&] { Row(r).SmallIcon = gLockMode != 1 ? 1 : IconOf(Obj(c).State()); });
    step([&] {
      int count = Obj(c).FileCount();
      Row(r).SetSubItems(1, FilesText(c->FileNames(0), count, count == 2 ? c->FileNames(1) : std::string()));
    });
    std::string t;
    step([&] { t = frmDDE->Text2.Text(); });
    if (r) {
      FillLockColumns(t, LockShown(*r), true, step, ColumnsOf(*r));
    } else {
      step([&] { Row(r); });
    }
  }

  step([&] { frmSplash->lblCap.SetCaption("Ready..."); });
  return result;
}

bool MainModule::CheckProjFile(Form& dialog) {
  frmSplash->lblCap.SetCaption("Checking project...");
  frmSplash->Show();
  bool unsaved = CheckProjIcons2(*frmUpdate);
  frmSplash->Hide();
  if (unsaved) {
    SystemModalMessage("One or more project components need saving...  Save and try again.");
    return true;
  }

  auto project = Obj(gVBInst).ActiveProject();
  std::string p = Obj(project).FileName();
  if ((sys().files.GetAttr(p) & platform::vbReadOnly) != 0) {
    if (Obj(gVBE).ActiveVBProject()->IsDirty()) {
      int answer = sys().desktop.MsgBox(
          "Visual Basic has allowed " + p + " to change, but it is read-only.  Lose changes and continue?",
          platform::vbYesNo + platform::vbExclamation, std::nullopt);
      if (answer == platform::vbNo) return true;
      gVBE->ActiveVBProject()->SetIsDirty(false);
    }
  } else if (Obj(gVBE).ActiveVBProject()->IsDirty()) {
    int answer = sys().desktop.MsgBox("Project file [" + p + "] has changed, save now?",
                                      platform::vbYesNo + platform::vbQuestion, std::nullopt);
    if (answer == platform::vbNo) return true;
    gVBE->ActiveVBProject()->SaveAs(p);
  }

  ShortFileName(p);
  LockState s = NoLockFile;
  if (gLockMode == 1) s = LockStatus(p);

  ListView& list = ListView1Of(dialog);
  list.Clear();
  ListItem& r = list.Add();
  r.Text = Obj(gVBE).ActiveVBProject()->Name();
  r.SmallIcon = IconOf(s);
  r.SetSubItems(1, FilesText(Trim(Obj(gVBInst).ActiveProject()->FileName()), 1, ""));
  r.Selected = true;
  FillLockColumns(frmDDE->Text2.Text(), LockShown(r), false, OnError::None(), ColumnsOf(r));
  return false;
}

}  // namespace norb
