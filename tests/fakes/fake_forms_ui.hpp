// Forms UI for tests: a readable log of what a person would see, and a queue of a person's
// actions per form for modal shows.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms_ui.hpp"
#include "tests/fakes/unexpected.hpp"
#include "vbrt/forms.hpp"

namespace fakes {

class FakeFormsUi : public platform::FormsUi {
 public:
  using Action = std::function<void(vb::Form&)>;

  FakeFormsUi() = default;
  // Modal actions never used are reported: the form the test expected was not shown.
  ~FakeFormsUi() override;

  // A person's next action on `form` while it is shown modally. A modal show runs actions
  // until the form hides or unloads; running out of actions first is refused.
  void QueueModal(std::string form, Action action);
  // The same for an action written against the form's own type.
  template <class F>
  void QueueModal(std::string form, std::function<void(F&)> action) {
    QueueModal(std::move(form), [action = std::move(action)](vb::Form& f) {
      auto* typed = dynamic_cast<F*>(&f);
      if (typed == nullptr) RefuseCall("modal action for " + f.Name() + " expected another form type");
      action(*typed);
    });
  }
  std::size_t PendingModal(std::string_view form) const;

  void SetScreenSize(long width, long height);

  // "load frmX", "show frmX", "showmodal frmX", "hide frmX", "unload frmX",
  // "frmX.ctl.Prop = value", "frmX.Caption = value".
  const std::vector<std::string>& log() const { return log_; }
  void ClearLog() { log_.clear(); }
  // The last value written to "frmX.ctl.Prop" (or "frmX.Caption").
  std::optional<std::string> LastWrite(std::string_view target) const;
  std::optional<std::string> LastCaption(std::string_view form, std::string_view control) const;
  bool IsLoaded(std::string_view form) const { return loaded_.contains(std::string(form)); }
  bool IsVisible(std::string_view form) const { return visible_.contains(std::string(form)); }

  void Loaded(vb::Form& form) override;
  void Shown(vb::Form& form, bool modal) override;
  void RunModal(vb::Form& form, const std::function<bool()>& showing) override;
  void Hidden(vb::Form& form) override;
  void Unloaded(std::string_view form_name) override;
  void PropertyWritten(vb::Form& form, vb::Control* control, std::string_view property) override;
  long ScreenWidth() const override { return screen_width_; }
  long ScreenHeight() const override { return screen_height_; }

 private:
  std::vector<std::string> log_;
  std::map<std::string, std::string, std::less<>> last_write_;
  std::map<std::string, std::deque<Action>, std::less<>> modal_;
  std::set<std::string, std::less<>> loaded_;
  std::set<std::string, std::less<>> visible_;
  long screen_width_ = 15360;
  long screen_height_ = 11520;
};

// A modal action that presses the named command button.
FakeFormsUi::Action Press(std::string button);

// The value of a written property as a person would read it; "?" for a property it cannot read.
std::string PropertyText(vb::Form& form, vb::Control* control, std::string_view property);

}  // namespace fakes
