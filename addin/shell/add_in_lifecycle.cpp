// The add-in interface: the buttons go into the IDE's command bars at connection and come out
// at disconnection. Neither starts or stops the engine link.
#include <string>

#include "addin/engine/frm_dde.hpp"
#include "addin/main_module.hpp"
#include "addin/shell/nvb5_version_control.hpp"
#include "vbrt/object.hpp"
#include "vbrt/on_error.hpp"
#include "vbrt/strings.hpp"

namespace norb {

using namespace vb;

namespace {
constexpr int msoControlButton = 1;
// The IDE's executable name, "VB5.EXE", is cut off by length to find C2.EXE beside it.
constexpr Long kIdeFileNameLength = 7;

// A subscription's Click goes to the connect-class method of the same name.
class ClickTarget : public platform::ide::CommandBarClick {
 public:
  using Handler = void (nvb5VersionControl::*)(const nvb5VersionControl::Control&, bool&, bool&);
  ClickTarget(nvb5VersionControl& owner, Handler handler) : owner_(owner), handler_(handler) {}
  void Click(std::shared_ptr<platform::ide::CommandBarControl> control, bool& handled,
             bool& CancelDefault) override {
    (owner_.*handler_)(control, handled, CancelDefault);
  }

 private:
  nvb5VersionControl& owner_;
  Handler handler_;
};
}  // namespace

void nvb5VersionControl::OnConnection(std::shared_ptr<platform::ide::VBE> VBInst, long /*ConnectMode*/,
                                      std::shared_ptr<platform::ide::AddIn> /*AddInInst*/,
                                      std::vector<std::string>& /*custom*/) {
  auto step = OnError::ResumeNext();
  step([&] { m_.gVBE = VBInst; });
  step([&] { CreateMenus(); });
}

void nvb5VersionControl::CreateMenuRow(const MenuRow& row) {
  auto step = OnError::ResumeNext();
  Control& control = this->*row.member;
  step([&] {
    control = Obj(Obj(Obj(m_.gVBE).GetCommandBars()).Item(std::string(row.bar)))
                  .Controls()
                  ->Add(msoControlButton, row.before, row.member_name);
  });
  step([&] { Obj(control).SetCaption(std::string(row.caption)); });
  if (row.face >= 0) {
    step([&] {
      m_.sys().clipboard.SetData(m_.frmDDE->Picture1.at(static_cast<std::size_t>(row.face))->Image());
    });
    step([&] { Obj(control).PasteFace(); });
  }
  if (row.separator) step([&] { Obj(control).SetBeginGroup(true); });
  step([&] {
    Subscription& subscription = this->*row.subscription;
    subscription = Obj(m_.gVBE).GetCommandBarEvents(control);
    click_targets_.push_back(std::make_shared<ClickTarget>(*this, row.click));
    Obj(subscription).Connect(click_targets_.back(), row.subscription_name);
  });
}

void nvb5VersionControl::CreateMenus() {
  auto step = OnError::ResumeNext();
  // The faces travel through the clipboard; what the user had copied is put back afterwards.
  platform::ClipboardContent saved;
  bool have_saved = false;
  step([&] {
    saved = m_.sys().clipboard.GetData();
    have_saved = true;
  });

  for (const MenuRow& row : kMenu) {
    if (row.created == MenuRow::Created::BeforeC2Test) CreateMenuRow(row);
  }

  // A test that fails counts as finding C2.EXE: the check-in and check-out rows are left out.
  bool c2_found = true;
  step([&] {
    std::string path = Obj(m_.gVBE).FullName();
    path = Left(path, Len(path) - kIdeFileNameLength) + "C2.EXE";
    c2_found = m_.sys().files.Dir(path) != "";
  });
  for (const MenuRow& row : kMenu) {
    if (row.created == MenuRow::Created::BeforeC2Test) continue;
    if (row.created == MenuRow::Created::WithoutC2 && c2_found) continue;
    CreateMenuRow(row);
  }

  if (have_saved) step([&] { m_.sys().clipboard.Restore(saved); });
}

void nvb5VersionControl::OnDisconnection(long /*RemoveMode*/, std::vector<std::string>& /*custom*/) {
  auto step = OnError::ResumeNext();
  // Through the members only: the add-in never searches a bar for its buttons.
  for (Control nvb5VersionControl::*member : kDeletionOrder) step([&] { Obj(this->*member).Delete(); });
}

void nvb5VersionControl::OnStartupComplete(std::vector<std::string>& /*custom*/) {}

void nvb5VersionControl::OnAddInsUpdate(std::vector<std::string>& /*custom*/) {}

}  // namespace norb
