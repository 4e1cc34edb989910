// The services of NORBVB5.EXE started on its own, in a terminal: message boxes are printed,
// and nothing else is shown (Sub Main opens no form and starts no engine).
#pragma once

#include <iostream>
#include <string>

#include "platform/clipboard.hpp"
#include "platform/desktop.hpp"
#include "platform/forms_ui.hpp"

namespace norbexe {

class ConsoleDesktop : public platform::Desktop {
 public:
  ConsoleDesktop(std::ostream& out, std::istream& in, std::string title)
      : out_(out), in_(in), title_(std::move(title)) {}
  // Prints the box; a Yes/No box reads its answer, taking No at the end of input.
  int MsgBox(std::string_view prompt, int style, std::optional<std::string_view> title) override;
  void DoEvents() override {}
  void SetForegroundWindow(std::string_view) override {}
  void ShowHelp(std::string_view, std::string_view help_file) override;

 private:
  std::ostream& out_;
  std::istream& in_;
  std::string title_;
};

class ConsoleClipboard : public platform::Clipboard {
 public:
  platform::ClipboardContent GetData() override { return content_; }
  void SetData(const platform::ClipboardContent& content) override { content_ = content; }

 private:
  platform::ClipboardContent content_;
};

// No window system: forms stay models.
class NoFormsUi : public platform::FormsUi {
 public:
  void Loaded(vb::Form&) override {}
  void Shown(vb::Form&, bool) override {}
  // Nobody can answer a modal form here.
  void RunModal(vb::Form& form, const std::function<bool()>& showing) override;
  void Hidden(vb::Form&) override {}
  void Unloaded(std::string_view) override {}
  void PropertyWritten(vb::Form&, vb::Control*, std::string_view) override {}
  long ScreenWidth() const override { return 15360; }
  long ScreenHeight() const override { return 11520; }
};

}  // namespace norbexe
