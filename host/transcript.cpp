#include "host/transcript.hpp"

#include <cmath>

#include "host/form_view.hpp"
#include "vbrt/code_page.hpp"
#include "vbrt/common_controls.hpp"
#include "vbrt/controls.hpp"
#include "vbrt/forms.hpp"

namespace vbhost {

namespace {
nlohmann::ordered_json Number(float v) {
  if (std::floor(v) == v) return static_cast<long>(v);
  return v;
}

nlohmann::ordered_json ToUtf8(const nlohmann::ordered_json& j) {
  if (j.is_string()) return vb::ActiveCodePage().ToUtf8(j.get_ref<const std::string&>());
  if (j.is_array()) {
    nlohmann::ordered_json out = nlohmann::ordered_json::array();
    for (const auto& e : j) out.push_back(ToUtf8(e));
    return out;
  }
  if (j.is_object()) {
    ObjectBuilder out;
    for (auto it = j.begin(); it != j.end(); ++it)
      out.Set(vb::ActiveCodePage().ToUtf8(it.key()), ToUtf8(it.value()));
    return out.Take();
  }
  return j;
}
}  // namespace

void Transcript::Emit(const nlohmann::ordered_json& event) {
  if (account_) {
    account_->Tell(ToUtf8(event));
    return;
  }
  writer_->Value(event);
  writer_->EndLine();
}

void Transcript::EmitDialog(const nlohmann::ordered_json& head, vb::Form& form) {
  if (account_) {
    // Told from the form itself, as the JSON line is written: a long list is never copied.
    if (head.value("phase", "") == "shown") {
      const vb::CodePage& page = vb::ActiveCodePage();
      account_->TellDialog(page.ToUtf8(head.value("form", "")), page.ToUtf8(form.Caption()), ListOf(form));
    }
    return;
  }
  writer_->BeginObject();
  writer_->Members(head);
  WriteForm(form, *writer_);
  writer_->EndObject();
  writer_->EndLine();
}

void Transcript::FormLife(std::string_view form, std::string_view action) {
  Emit({{"event", "form"}, {"form", std::string(form)}, {"action", std::string(action)}});
}

void Transcript::Dialog(vb::Form& form, const char* phase) {
  EmitDialog({{"event", "dialog"}, {"form", form.Name()}, {"phase", phase}}, form);
}

void Transcript::PropertyWritten(vb::Form& form, vb::Control* control, std::string_view property) {
  if (!control) {
    if (property == "Caption") Emit({{"event", "caption"}, {"form", form.Name()}, {"text", form.Caption()}});
    return;
  }
  if (auto* label = dynamic_cast<vb::Label*>(control); label && property == "Caption") {
    Emit({{"event", "caption"},
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
    Emit(e);
  }
}

nlohmann::ordered_json MsgBoxEvent(std::string_view prompt, int style, std::string_view answer,
                                   std::optional<std::string_view> title) {
  nlohmann::ordered_json e{
      {"event", "msgbox"}, {"text", std::string(prompt)}, {"style", style}, {"answer", std::string(answer)}};
  if (title) e["title"] = std::string(*title);
  return e;
}

}  // namespace vbhost
