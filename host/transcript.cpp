#include "host/transcript.hpp"

#include "host/form_view.hpp"
#include "vbrt/code_page.hpp"

namespace vbhost {

namespace {
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

}  // namespace vbhost
