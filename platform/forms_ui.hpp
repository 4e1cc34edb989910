// Seam: what a person sees of the add-in's forms. The forms are models in vbrt; showing them,
// running a modal show and observing control writes is the UI runtime's job.
// Real: vbhost's scripted UI (host/scripted_ui.hpp), which answers from a scenario's queue.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vb {
class Form;
class Control;
}  // namespace vb

namespace platform {

class FormsUi {
 public:
  virtual ~FormsUi() = default;

  // A default instance was created (its Form_Load has not run yet).
  virtual void Loaded(vb::Form& form) = 0;
  // Show, modal or not; told before the form's Activate runs.
  virtual void Shown(vb::Form& form, bool modal) = 0;
  // After a modal show's Activate: runs the person's side until `showing()` turns false (the
  // form hid itself or was unloaded). Leaving while it is still true is the UI's failure to answer.
  virtual void RunModal(vb::Form& form, const std::function<bool()>& showing) = 0;
  virtual void Hidden(vb::Form& form) = 0;
  // The form is gone: only its name remains.
  virtual void Unloaded(std::string_view form_name) = 0;
  // One write of a control property (`control` null for the form's own, e.g. its Caption).
  virtual void PropertyWritten(vb::Form& form, vb::Control* control, std::string_view property) = 0;
  // Screen size in twips, for centring.
  virtual long ScreenWidth() const = 0;
  virtual long ScreenHeight() const = 0;
};

}  // namespace platform
