#include "host/scripted_ui.hpp"

#include <cmath>

#include "host/scenario_lexer.hpp"
#include "vbrt/controls.hpp"
#include "vbrt/forms.hpp"

namespace vbhost {

namespace {
nlohmann::ordered_json Number(float v) {
  if (std::floor(v) == v) return static_cast<long>(v);
  return v;
}
}  // namespace

void ScriptedUi::FormEvent(std::string_view form, std::string_view action) {
  transcript_.Emit({{"event", "form"}, {"form", std::string(form)}, {"action", std::string(action)}});
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

void ScriptedUi::DialogEvent(vb::Form& form, const char* phase) {
  transcript_.EmitDialog({{"event", "dialog"}, {"form", form.Name()}, {"phase", phase}}, form);
}

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
  if (!control) {
    if (property == "Caption") {
      transcript_.Emit({{"event", "caption"}, {"form", form.Name()}, {"text", form.Caption()}});
    }
    return;
  }
  if (auto* label = dynamic_cast<vb::Label*>(control); label && property == "Caption") {
    transcript_.Emit({{"event", "caption"},
                      {"form", form.Name()},
                      {"control", label->Name()},
                      {"text", label->Caption()}});
    return;
  }
  if (auto* bar = dynamic_cast<vb::ProgressBar*>(control)) {
    nlohmann::ordered_json e{{"event", "progress"}, {"form", form.Name()}, {"control", bar->Name()}};
    if (property == "Max")
      e["max"] = Number(bar->Max());
    else if (property == "Min")
      e["min"] = Number(bar->Min());
    else if (property == "Value")
      e["value"] = Number(bar->Value());
    else
      return;
    transcript_.Emit(e);
  }
}

}  // namespace vbhost
