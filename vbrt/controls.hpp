// The intrinsic controls the add-in's forms use, as models. Every property write a person
// could see is reported to the form (and so to the forms UI seam).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/clipboard.hpp"
#include "platform/dde_link.hpp"

namespace vb {

class Form;

class Control {
 public:
  Control(Form& form, std::string name);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control() = default;

  const std::string& Name() const { return name_; }
  Form& Parent() { return form_; }

  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  std::string ToolTipText;

 protected:
  void Notify(std::string_view property);

 private:
  Form& form_;
  std::string name_;
  bool visible_ = true;
  bool enabled_ = true;
};

class Label : public Control {
 public:
  Label(Form& form, std::string name, std::string caption = {});
  const std::string& Caption() const { return caption_; }
  // Every write is reported, changed or not.
  void SetCaption(std::string caption);

 private:
  std::string caption_;
};

class CommandButton : public Control {
 public:
  CommandButton(Form& form, std::string name, std::string caption, bool is_default = false,
                bool is_cancel = false);
  const std::string& Caption() const { return caption_; }
  bool Default() const { return default_; }
  bool Cancel() const { return cancel_; }
  std::function<void()> Click;
  // A press of the button (mouse, Enter for the default, Esc for the cancel button).
  void Press();

 private:
  std::string caption_;
  bool default_;
  bool cancel_;
};

inline constexpr int vbUnchecked = 0;
inline constexpr int vbChecked = 1;
inline constexpr int vbGrayed = 2;

class CheckBox : public Control {
 public:
  CheckBox(Form& form, std::string name, std::string caption, std::string tooltip = {});
  const std::string& Caption() const { return caption_; }
  int Value() const { return value_; }
  // Setting Value in code raises Click when the value changes; 380 for anything but 0, 1, 2.
  void SetValue(int value);
  // A mouse click: toggles the box, then Click.
  void MouseClick();
  std::function<void()> Click;

 private:
  std::string caption_;
  int value_ = vbUnchecked;
};

class ProgressBar : public Control {
 public:
  ProgressBar(Form& form, std::string name, float min = 0, float max = 100);
  float Min() const { return min_; }
  float Max() const { return max_; }
  float Value() const { return value_; }
  // Every write is reported. Value outside Min..Max raises 380, as the control does.
  void SetMin(float v);
  void SetMax(float v);
  void SetValue(float v);

 private:
  float min_;
  float max_;
  float value_;
};

// A text box; its DDE client link is made on first use.
class TextBox : public Control {
 public:
  TextBox(Form& form, std::string name);
  // An automatic link's text follows its item.
  std::string Text() const;
  void SetText(std::string text);

  void SetLinkTopic(std::string topic) { Link().SetLinkTopic(std::move(topic)); }
  std::string LinkTopic() { return Link().LinkTopic(); }
  void SetLinkItem(std::string item) { Link().SetLinkItem(std::move(item)); }
  std::string LinkItem() { return Link().LinkItem(); }
  void SetLinkMode(int mode) { Link().SetLinkMode(mode); }
  int LinkMode() { return Link().LinkMode(); }
  void LinkExecute(std::string_view command) { Link().LinkExecute(command); }

 private:
  platform::DdeLink& Link();
  std::string text_;
  std::unique_ptr<platform::DdeLink> link_;
};

// A borderless container (a tab page).
class Frame : public Control {
 public:
  Frame(Form& form, std::string name) : Control(form, std::move(name)) {}
};

// PictureBox and Image: a stored picture.
class PictureBox : public Control {
 public:
  PictureBox(Form& form, std::string name, platform::Picture picture = {})
      : Control(form, std::move(name)), picture_(picture) {}
  const platform::Picture& Image() const { return picture_; }

 private:
  platform::Picture picture_;
};

}  // namespace vb
