#include "vbrt/controls.hpp"

#include <utility>

#include "vbrt/error.hpp"
#include "vbrt/forms.hpp"

namespace vb {

Control::Control(Form& form, std::string name) : form_(form), name_(std::move(name)) {
  form_.Register(*this);
}

void Control::Notify(std::string_view property) { form_.Notify(this, property); }

void Control::SetVisible(bool v) {
  visible_ = v;
  Notify("Visible");
}

void Control::SetEnabled(bool v) {
  enabled_ = v;
  Notify("Enabled");
}

Label::Label(Form& form, std::string name, std::string caption)
    : Control(form, std::move(name)), caption_(std::move(caption)) {}

void Label::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  Notify("Caption");
}

CommandButton::CommandButton(Form& form, std::string name, std::string caption, bool is_default,
                             bool is_cancel)
    : Control(form, std::move(name)),
      caption_(std::move(caption)),
      default_(is_default),
      cancel_(is_cancel) {}

void CommandButton::Press() {
  if (Click) Click();
}

CheckBox::CheckBox(Form& form, std::string name, std::string caption, std::string tooltip)
    : Control(form, std::move(name)), caption_(std::move(caption)) {
  ToolTipText = std::move(tooltip);
}

void CheckBox::SetValue(int value) {
  if (value < vbUnchecked || value > vbGrayed) Raise(err::InvalidPropertyValue);
  if (value == value_) return;
  value_ = value;
  Notify("Value");
  if (Click) Click();
}

void CheckBox::MouseClick() {
  value_ = value_ == vbUnchecked ? vbChecked : vbUnchecked;
  Notify("Value");
  if (Click) Click();
}

ProgressBar::ProgressBar(Form& form, std::string name, float min, float max)
    : Control(form, std::move(name)), min_(min), max_(max), value_(min) {}

// The control refuses a Min above Max, and a value outside them.
void ProgressBar::SetMin(float v) {
  if (v > max_) Raise(err::InvalidPropertyValue);
  min_ = v;
  if (value_ < min_) value_ = min_;
  Notify("Min");
}

void ProgressBar::SetMax(float v) {
  if (v < min_) Raise(err::InvalidPropertyValue);
  max_ = v;
  if (value_ > max_) value_ = max_;
  Notify("Max");
}

void ProgressBar::SetValue(float v) {
  if (v < min_ || v > max_) Raise(err::InvalidPropertyValue);
  value_ = v;
  Notify("Value");
}

TextBox::TextBox(Form& form, std::string name) : Control(form, std::move(name)) {}

std::string TextBox::Text() const {
  if (link_ && link_->LinkMode() == 1) return link_->Text();
  return text_;
}

void TextBox::SetText(std::string text) {
  text_ = std::move(text);
  Notify("Text");
}

platform::DdeLink& TextBox::Link() {
  if (!link_) link_ = Parent().runtime().services().dde.Create(Parent().Name(), Name());
  return *link_;
}

}  // namespace vb
