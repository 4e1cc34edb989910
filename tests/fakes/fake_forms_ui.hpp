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

  // Modal actions never used are reported: the form the test expected was not shown.
  ~FakeFormsUi() override {
    for (const auto& [form, actions] : modal_) {
      if (!actions.empty())
        ADD_FAILURE() << actions.size() << " queued modal action(s) for " << form << " never ran";
    }
  }

  // A person's next action on `form` while it is shown modally. A modal show runs actions
  // until the form hides or unloads; running out of actions first is refused.
  void QueueModal(std::string form, Action action) { modal_[std::move(form)].push_back(std::move(action)); }

  // "load frmX", "show frmX", "showmodal frmX", "hide frmX", "unload frmX",
  // "frmX.ctl.Prop = value", "frmX.Prop = ?".
  const std::vector<std::string>& log() const { return log_; }

  void Loaded(vb::Form& form) override { log_.push_back("load " + form.Name()); }
  void Shown(vb::Form& form, bool modal) override {
    log_.push_back((modal ? "showmodal " : "show ") + form.Name());
  }
  void RunModal(vb::Form& form, const std::function<bool()>& showing) override {
    const std::string name = form.Name();  // the form may be unloaded by an action
    while (showing()) {
      auto& queue = modal_[name];
      if (queue.empty()) RefuseCall(name + " is shown modally and no queued action is left to close it");
      Action action = std::move(queue.front());
      queue.pop_front();
      action(form);
    }
  }
  void Hidden(vb::Form& form) override { log_.push_back("hide " + form.Name()); }
  void Unloaded(std::string_view form_name) override { log_.push_back("unload " + std::string(form_name)); }
  // A check box's value as a person would read it; "?" for a property the tests do not read.
  void PropertyWritten(vb::Form& form, vb::Control* control, std::string_view property) override {
    auto* check = dynamic_cast<vb::CheckBox*>(control);
    const std::string value = check && property == "Value" ? std::to_string(check->Value()) : "?";
    log_.push_back(form.Name() + "." + (control ? control->Name() + "." : "") + std::string(property) +
                   " = " + value);
  }
  long ScreenWidth() const override { return 15360; }
  long ScreenHeight() const override { return 11520; }

 private:
  std::vector<std::string> log_;
  std::map<std::string, std::deque<Action>, std::less<>> modal_;
};

// A modal action that presses the named command button.
inline FakeFormsUi::Action Press(std::string button) {
  return [button = std::move(button)](vb::Form& form) {
    auto* b = dynamic_cast<vb::CommandButton*>(form.FindControl(button));
    if (b == nullptr) RefuseCall(form.Name() + " has no command button " + button);
    b->Press();
  };
}

}  // namespace fakes
