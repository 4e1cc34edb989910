#include "host/scripted_desktop.hpp"

#include "host/scenario_lexer.hpp"

namespace vbhost {

int ScriptedDesktop::MsgBox(std::string_view prompt, int style, std::optional<std::string_view> title) {
  const bool yes_no = (style & 7) == platform::vbYesNo;
  if (answers_.empty()) {
    throw ScenarioError("a message box has no queued answer (use \"answer msgbox ...\"): \"" +
                        std::string(prompt) + "\"");
  }
  std::string answer = answers_.front();
  answers_.pop_front();
  int code = 0;
  if (yes_no && answer == "Yes") code = platform::vbYes;
  if (yes_no && answer == "No") code = platform::vbNo;
  if (!yes_no && (style & 7) == platform::vbOKOnly && answer == "OK") code = platform::vbOK;
  if (code == 0) {
    throw ScenarioError("the answer " + answer + " is not one of the message box's buttons: \"" +
                        std::string(prompt) + "\"");
  }
  observer_.Emit(events::MsgBox{std::string(prompt), style, answer,
                                title ? std::optional<std::string>(*title) : std::nullopt});
  return code;
}

void ScriptedDesktop::DoEvents() {
  if (pump_) pump_();
}

void ScriptedDesktop::SetForegroundWindow(std::string_view form) {
  observer_.Emit(events::Foreground{std::string(form)});
}

void ScriptedDesktop::ShowHelp(std::string_view form, std::string_view help_file) {
  observer_.Emit(events::Help{std::string(form), std::string(help_file)});
}

}  // namespace vbhost
