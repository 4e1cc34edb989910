#include "host/scripted_ui.hpp"

#include "host/scenario_lexer.hpp"
#include "vbrt/controls.hpp"
#include "vbrt/forms.hpp"

namespace vbhost {

void ScriptedUi::FormEvent(std::string_view form, std::string_view action) {
  transcript_.FormLife(form, action);
}

void ScriptedUi::Loaded(vb::Form& form) {
  loaded_[form.Name()] = &form;
  FormEvent(form.Name(), "load");
}
void ScriptedUi::Shown(vb::Form& form, bool modal) { FormEvent(form.Name(), modal ? "showmodal" : "show"); }
void ScriptedUi::Hidden(vb::Form& form) { FormEvent(form.Name(), "hide"); }
void ScriptedUi::Unloaded(std::string_view form_name) {
  loaded_.erase(std::string(form_name));
  FormEvent(form_name, "unload");
}

vb::Form* ScriptedUi::FindLoaded(const std::string& name) const {
  auto it = loaded_.find(name);
  return it == loaded_.end() ? nullptr : it->second;
}

void ScriptedUi::DialogEvent(vb::Form& form, const char* phase) { transcript_.Dialog(form, phase); }

void ScriptedUi::RunModal(vb::Form& form, const std::function<bool()>& showing) {
  std::string name = form.Name();
  auto& queue = modal_answers_[name];
  if (queue.empty()) throw ScenarioError("the modal form " + name + " has no queued answer");
  ModalAnswer answer = std::move(queue.front());
  queue.pop_front();
  DialogEvent(form, "shown");
  answer(form, showing);
  if (showing()) throw ScenarioError("the answer for " + name + " did not end its modal show");
  // The form may be unloaded by now; it stays alive until the add-in's call returns.
  DialogEvent(form, "closed");
  // What the person answered is seen before the work it starts, which may take long.
  transcript_.Flush();
}

void ScriptedUi::PropertyWritten(vb::Form& form, vb::Control* control, std::string_view property) {
  transcript_.PropertyWritten(form, control, property);
}

}  // namespace vbhost
