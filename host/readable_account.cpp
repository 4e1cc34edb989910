#include "host/readable_account.hpp"

#include <algorithm>
#include <optional>

#include "addin/main_module.hpp"
#include "host/form_view.hpp"
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

std::string Utf8(const std::string& text) { return vb::ActiveCodePage().ToUtf8(text); }

const char* StateMeaning(long state) {
  switch (state) {
    case norb::NoLockFile:
      return "no lock file";
    case norb::NotCheckedOut:
      return "not checked out";
    case norb::CheckedOutToYou:
      return "checked out to you";
    case norb::CheckedOutToOther:
      return "checked out to another user";
    default:
      return "";
  }
}

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;
}  // namespace

void ReadableAccount::Tell(const HostEvent& event) {
  const auto failed = [](const std::optional<int>& number) {
    return " (failed, error " + std::to_string(number.value_or(0)) + ")";
  };
  std::visit(
      Overloaded{
          [&](const events::MsgBox& e) {
            Line("asked: \"" + OneLine(Utf8(e.text)) + "\" -> " + Utf8(e.answer));
          },
          [&](const events::Execute& e) {
            Line("sent: " + Utf8(e.command) + (e.ok ? "" : failed(e.number)));
          },
          [&](const events::EngineOutcome& e) { Line("engine: " + OneLine(Utf8(e.text))); },
          [&](const events::EngineCommand& e) {
            Line("to the engine: " + Utf8(e.command) + (e.ok ? "" : " (failed)") +
                 (e.answer ? " -> " + Utf8(*e.answer) : ""));
          },
          [&](const events::Launch& e) {
            Line("launched: " + Utf8(e.command) + (e.started ? "" : " (not started)"));
          },
          [&](const events::Write& e) { Line((e.written ? "saved: " : "not saved: ") + Utf8(e.path)); },
          [&](const events::Reload& e) { Line("reloaded: " + Utf8(e.path)); },
          [&](const events::RunTimeError& e) {
            Line("run-time error " + std::to_string(e.number) + " in " + Utf8(e.where) + ": " +
                 Utf8(e.description));
          },
          [&](const events::State& e) { State(Utf8(e.component), e.value); },
          [&](const events::StatesShown& e) {
            states_.clear();
            places_.clear();
            for (const auto& [component, state] : e.components) State(Utf8(component), state);
            StatesTable();
          },
          [&](const events::Dialog& e) {
            // Told from the form itself: a long list is never copied.
            if (e.phase == "shown") TellDialog(Utf8(e.form), Utf8(e.window->Caption()), ListOf(*e.window));
          },
          [](const auto&) {},
      },
      event);
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
