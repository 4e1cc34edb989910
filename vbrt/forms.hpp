// VB forms as models: one default instance per form, created on first reference (Form_Load
// runs), destroyed by Unload (Form_Unload runs), created afresh with its design-time values by
// the next reference. Showing, modal runs and control writes go to the forms UI seam.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "vbrt/controls.hpp"
#include "vbrt/runtime.hpp"

namespace vb {

inline constexpr int vbModeless = 0;
inline constexpr int vbModal = 1;

class Form {
 public:
  Form(Runtime& rt, std::string name);
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;
  virtual ~Form() = default;

  const std::string& Name() const { return name_; }
  Runtime& runtime() { return rt_; }

  std::string Caption() const { return caption_; }
  void SetCaption(std::string caption);

  bool Visible() const { return visible_; }
  // Show: 0 modeless, 1 modal (returns when the form is hidden or unloaded).
  void Show(int modal = vbModeless);
  void Hide();
  // Unload Me.
  void Unload();
  bool Unloaded() const { return *unloaded_; }

  // Geometry in twips; Width and Height include the border.
  long Left = 0;
  long Top = 0;
  long Width = 0;
  long Height = 0;

  // The form's controls by name, in creation order (control arrays: "Frame1(0)").
  const std::vector<Control*>& Controls() const { return controls_; }
  Control* FindControl(std::string_view name) const;

  // Event procedures.
  virtual void Form_Load() {}
  virtual void Form_Activate() {}
  virtual void Form_Unload(int& /*Cancel*/) {}

  // For controls: a property of `control` (null: the form's own) was written.
  void Notify(Control* control, std::string_view property);
  void Register(Control& control);

 private:
  template <class F>
  friend class FormSlot;
  friend class FormLifetime;

  Runtime& rt_;
  std::string name_;
  std::string caption_;
  bool visible_ = false;
  std::shared_ptr<bool> unloaded_ = std::make_shared<bool>(false);
  std::function<void()> unload_;  // set by the slot that owns the instance
  std::vector<Control*> controls_;
};

// The default instance of form type F. Any reference creates it; Unload destroys it.
template <class F>
class FormSlot {
 public:
  using Factory = std::function<std::unique_ptr<F>()>;
  FormSlot(Runtime& rt, Factory make) : rt_(rt), make_(std::move(make)) {}
  FormSlot(const FormSlot&) = delete;
  FormSlot& operator=(const FormSlot&) = delete;

  F& operator*() { return Get(); }
  F* operator->() { return &Get(); }
  F& Get() {
    if (!instance_) Load();
    return *instance_;
  }
  bool Loaded() const { return instance_ != nullptr; }

  // Unload F: no-op when it is not loaded (the reference in `Unload frmX` does not load it).
  void Unload() {
    if (!instance_) return;
    F& f = *instance_;
    int cancel = 0;
    f.Form_Unload(cancel);
    if (cancel != 0 || instance_.get() != &f) return;
    std::string name = f.Name();
    f.visible_ = false;
    *f.unloaded_ = true;
    rt_.Retire(std::move(instance_));
    rt_.ui().Unloaded(name);
  }

 private:
  void Load() {
    auto made = make_();
    F& f = *made;
    instance_ = std::move(made);
    f.unload_ = [this] { Unload(); };
    rt_.ui().Loaded(f);
    f.Form_Load();
  }

  Runtime& rt_;
  Factory make_;
  std::unique_ptr<F> instance_;
};

}  // namespace vb
