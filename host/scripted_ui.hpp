// The forms UI of a scenario run: forms shown, hidden and unloaded, label captions and progress
// go into the transcript; a modal show runs the person's actions the scenario queued for it.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>

#include "host/transcript.hpp"
#include "platform/forms_ui.hpp"

namespace vbhost {

class ScriptedUi : public platform::FormsUi {
 public:
  // What a person does during one modal show of a form; `showing` tells whether the show goes on.
  using ModalAnswer = std::function<void(vb::Form&, const std::function<bool()>& showing)>;

  explicit ScriptedUi(Transcript& transcript) : transcript_(transcript) {}

  void QueueModalAnswer(const std::string& form, ModalAnswer answer) {
    modal_answers_[form].push_back(std::move(answer));
  }
  void SetScreen(long width, long height) {
    screen_width_ = width;
    screen_height_ = height;
  }

  void Loaded(vb::Form& form) override;
  void Shown(vb::Form& form, bool modal) override;
  void RunModal(vb::Form& form, const std::function<bool()>& showing) override;
  void Hidden(vb::Form& form) override;
  void Unloaded(std::string_view form_name) override;
  void PropertyWritten(vb::Form& form, vb::Control* control, std::string_view property) override;
  long ScreenWidth() const override { return screen_width_; }
  // A loaded form by name, or null.
  vb::Form* FindLoaded(const std::string& name) const;
  long ScreenHeight() const override { return screen_height_; }

 private:
  void FormEvent(std::string_view form, std::string_view action);

  Transcript& transcript_;
  void DialogEvent(vb::Form& form, const char* phase);

  std::map<std::string, std::deque<ModalAnswer>> modal_answers_;
  std::map<std::string, vb::Form*> loaded_;
  long screen_width_ = 15360;  // 1024 x 768 pixels at 15 twips each
  long screen_height_ = 11520;
};

}  // namespace vbhost
