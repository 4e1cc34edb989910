#include "host/transcript.hpp"

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
    nlohmann::ordered_json out = nlohmann::ordered_json::object();
    for (auto it = j.begin(); it != j.end(); ++it)
      out[vb::ActiveCodePage().ToUtf8(it.key())] = ToUtf8(it.value());
    return out;
  }
  return j;
}
}  // namespace

void Transcript::Emit(const nlohmann::ordered_json& event) {
  out_ << ToUtf8(event).dump() << '\n';
  out_.flush();
}

}  // namespace vbhost
