#include "host/readable_account.hpp"

#include <algorithm>

#include "vbrt/code_page.hpp"
#include "vbrt/common_controls.hpp"

namespace vbhost {

namespace {
// The lines of the add-in's and the engine's text joined by " | ", blank ones left out, so each
// thing takes one line.
std::string OneLine(const std::string& text) {
  std::string out;
  std::string line;
  auto flush = [&] {
    if (line.find_first_not_of(' ') != std::string::npos) out += (out.empty() ? "" : " | ") + line;
    line.clear();
  };
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      flush();
    } else {
      line += c;
    }
  }
  flush();
  return out;
}

std::string Str(const nlohmann::ordered_json& e, const char* key) {
  auto it = e.find(key);
  if (it == e.end()) return {};
  return it->is_string() ? it->get<std::string>() : it->dump();
}

const char* StateMeaning(long state) {
  switch (state) {
    case 0:
      return "no lock file";
    case 1:
      return "not checked out";
    case 3:
      return "checked out to you";
    case 5:
      return "checked out to another user";
    default:
      return "";
  }
}
}  // namespace

void ReadableAccount::Tell(const nlohmann::ordered_json& e) {
  const std::string name = Str(e, "event");
  if (name == "msgbox") {
    Line("asked: \"" + OneLine(Str(e, "text")) + "\" -> " + Str(e, "answer"));
  } else if (name == "execute") {
    Line("sent: " + Str(e, "command") +
         (e.value("ok", true) ? "" : " (failed, error " + Str(e, "number") + ")"));
  } else if (name == "engine") {
    Line("engine: " + OneLine(Str(e, "text")));
  } else if (name == "engine-command") {
    Line("to the engine: " + Str(e, "command") + (e.value("ok", true) ? "" : " (failed)") +
         (e.contains("answer") ? " -> " + Str(e, "answer") : ""));
  } else if (name == "launch") {
    Line("launched: " + Str(e, "command") + (e.value("started", false) ? "" : " (not started)"));
  } else if (name == "write") {
    Line((e.value("written", false) ? "saved: " : "not saved: ") + Str(e, "path"));
  } else if (name == "reload") {
    Line("reloaded: " + Str(e, "path"));
  } else if (name == "error") {
    Line("run-time error " + Str(e, "number") + " in " + Str(e, "where") + ": " + Str(e, "description"));
  } else if (name == "state") {
    State(Str(e, "component"), e.value("value", 0L));
  } else if (name == "states" && e.contains("components")) {
    states_.clear();
    places_.clear();
    for (auto it = e["components"].begin(); it != e["components"].end(); ++it)
      State(it.key(), it.value().get<long>());
    StatesTable();
  }
}

std::size_t ReadableAccount::Slot(const std::string& component) const {
  const std::size_t mask = places_.size() - 1;
  std::size_t slot = std::hash<std::string>{}(component)&mask;
  while (places_[slot] != 0 && states_[places_[slot] - 1].first != component) slot = (slot + 1) & mask;
  return slot;
}

void ReadableAccount::State(const std::string& component, long value) {
  if (2 * (states_.size() + 1) > places_.size()) {
    std::size_t slots = 16;
    while (slots < 2 * (states_.size() + 1)) slots *= 2;
    places_.assign(slots, 0);
    for (std::size_t i = 0; i < states_.size(); ++i)
      places_[Slot(states_[i].first)] = static_cast<std::uint32_t>(i) + 1;
  }
  std::size_t slot = Slot(component);
  if (places_[slot] == 0) {
    states_.emplace_back(component, value);
    places_[slot] = static_cast<std::uint32_t>(states_.size());
  } else {
    states_[places_[slot] - 1].second = value;
  }
}

void ReadableAccount::StatesTable() {
  std::size_t width = 9;
  for (const auto& [component, state] : states_) width = std::max(width, component.size());
  Line("component" + std::string(width - 9, ' ') + "  state");
  for (const auto& [component, state] : states_) {
    Line(component + std::string(width - component.size(), ' ') + "  " + std::to_string(state) + " " +
         StateMeaning(state));
  }
}

void ReadableAccount::Finish() {
  if (states_.empty()) return;
  Line("lock states at the end:");
  StatesTable();
}

void ReadableAccount::TellDialog(const std::string& form, const std::string& caption,
                                 const vb::ListView* list) {
  // Row by row into the stream: a list of any length is never joined in memory.
  out_ << "dialog " << form << ": \"" << caption << "\"";
  if (list) {
    const vb::CodePage& page = vb::ActiveCodePage();
    const char* before = ": ";
    for (const vb::ListItem* r : list->Ordered()) {
      out_ << before << page.ToUtf8(r->Text.get()) << (r->Selected ? " [x]" : "");
      before = ", ";
    }
  }
  out_ << '\n';
}

}  // namespace vbhost
