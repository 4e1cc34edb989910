#include "exe/console_services.hpp"

#include <stdexcept>

#include "vbrt/forms.hpp"

namespace norbexe {

int ConsoleDesktop::MsgBox(std::string_view prompt, int style, std::optional<std::string_view> title) {
  out_ << (title ? std::string(*title) : title_) << ": " << prompt << "\n";
  if ((style & 7) != platform::vbYesNo) return platform::vbOK;
  out_ << "[y/N] " << std::flush;
  std::string answer;
  if (!std::getline(in_, answer)) return platform::vbNo;
  return (!answer.empty() && (answer[0] == 'y' || answer[0] == 'Y')) ? platform::vbYes : platform::vbNo;
}

void ConsoleDesktop::ShowHelp(std::string_view, std::string_view help_file) {
  out_ << "help: " << help_file << "\n";
}

void NoFormsUi::RunModal(vb::Form& form, const std::function<bool()>&) {
  throw std::logic_error("NORBVB5.EXE cannot show " + form.Name() + " without the IDE");
}

}  // namespace norbexe
