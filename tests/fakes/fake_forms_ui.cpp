#include "tests/fakes/fake_forms_ui.hpp"

namespace fakes {

namespace {

// The value of a written property as a person would read it; "?" for one the tests do not read.
std::string PropertyText(vb::Form& form, vb::Control* control, std::string_view property) {
  if (control == nullptr) return property == "Caption" ? form.Caption() : "?";
  if (auto* label = dynamic_cast<vb::Label*>(control); label && property == "Caption")
    return label->Caption();
  if (auto* check = dynamic_cast<vb::CheckBox*>(control); check && property == "Value") {
    return std::to_string(check->Value());
  }
  return "?";
}

}  // namespace

FakeFormsUi::~FakeFormsUi() {
  for (const auto& [form, actions] : modal_) {
    if (!actions.empty()) {
      ADD_FAILURE() << actions.size() << " queued modal action(s) for " << form << " never ran";
    }
  }
}

void FakeFormsUi::QueueModal(std::string form, Action action) {
  modal_[std::move(form)].push_back(std::move(action));
}

void FakeFormsUi::Loaded(vb::Form& form) { log_.push_back("load " + form.Name()); }

void FakeFormsUi::Shown(vb::Form& form, bool modal) {
  log_.push_back((modal ? "showmodal " : "show ") + form.Name());
}

void FakeFormsUi::RunModal(vb::Form& form, const std::function<bool()>& showing) {
  const std::string name = form.Name();  // the form may be unloaded by an action
  while (showing()) {
    auto& queue = modal_[name];
    if (queue.empty()) RefuseCall(name + " is shown modally and no queued action is left to close it");
    Action action = std::move(queue.front());
    queue.pop_front();
    action(form);
  }
}

void FakeFormsUi::Hidden(vb::Form& form) { log_.push_back("hide " + form.Name()); }

void FakeFormsUi::Unloaded(std::string_view form_name) { log_.push_back("unload " + std::string(form_name)); }

void FakeFormsUi::PropertyWritten(vb::Form& form, vb::Control* control, std::string_view property) {
  std::string target = form.Name() + ".";
  if (control != nullptr) target += control->Name() + ".";
  target += property;
  log_.push_back(target + " = " + PropertyText(form, control, property));
}

FakeFormsUi::Action Press(std::string button) {
  return [button = std::move(button)](vb::Form& form) {
    auto* b = dynamic_cast<vb::CommandButton*>(form.FindControl(button));
    if (b == nullptr) RefuseCall(form.Name() + " has no command button " + button);
    b->Press();
  };
}

}  // namespace fakes
