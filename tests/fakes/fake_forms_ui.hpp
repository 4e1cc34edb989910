// Forms UI for tests: a readable log of what a person would see, and a queue of a person's
// actions per form for modal shows.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms_ui.hpp"
#include "tests/fakes/unexpected.hpp"
#include "vbrt/forms.hpp"

namespace fakes {

class FakeFormsUi : public platform::FormsUi {
 public:
  using Action = std::function<void(vb::Form&)>;

  FakeFormsUi() = default;
  // Modal actions never used are reported: the form the test expected was not shown.
  ~FakeFormsUi() override;

  // A person's next action on `form` while it is shown modally. A modal show runs actions
  // until the form hides or unloads; running out of actions first is refused.
  void QueueModal(std::string form, Action action);

  // "load frmX", "show frmX", "showmodal frmX", "hide frmX", "unload frmX",
  // "frmX.ctl.Prop = value", "frmX.Caption = value".
  const std::vector<std::string>& log() const { return log_; }

  void Loaded(vb::Form& form) override;
  void Shown(vb::Form& form, bool modal) override;
  void RunModal(vb::Form& form, const std::function<bool()>& showing) override;
  void Hidden(vb::Form& form) override;
  void Unloaded(std::string_view form_name) override;
  void PropertyWritten(vb::Form& form, vb::Control* control, std::string_view property) override;
  long ScreenWidth() const override { return 15360; }
  long ScreenHeight() const override { return 11520; }

 private:
  std::vector<std::string> log_;
  std::map<std::string, std::deque<Action>, std::less<>> modal_;
};

// A modal action that presses the named command button.
FakeFormsUi::Action Press(std::string button);

}  // namespace fakes
