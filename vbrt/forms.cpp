#include "vbrt/forms.hpp"

#include "vbrt/error.hpp"

namespace vb {

Form::Form(Runtime& rt, std::string name) : rt_(rt), name_(std::move(name)) {}

void Form::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  Notify(nullptr, "Caption");
}

void Form::Register(Control& control) { controls_.push_back(&control); }

Control* Form::FindControl(std::string_view name) const {
  for (Control* c : controls_) {
    if (c->Name() == name) return c;
  }
  return nullptr;
}

void Form::Notify(Control* control, std::string_view property) {
  rt_.ui().PropertyWritten(*this, control, property);
}

void Form::Show(int modal) {
  if (modal == vbModal) {
    if (visible_) Raise(err::FormAlreadyDisplayed);
    visible_ = true;
    std::shared_ptr<bool> gone = unloaded_;
    rt_.ui().Shown(*this, true);
    Form_Activate();
    if (*gone || !visible_) return;
    // `this` may be destroyed by the time the modal run returns; only `gone` is safe to read.
    rt_.ui().RunModal(*this, [this, gone] { return !*gone && visible_; });
    return;
  }
  visible_ = true;
  rt_.ui().Shown(*this, false);
  Form_Activate();
}

void Form::Hide() {
  visible_ = false;
  rt_.ui().Hidden(*this);
}

void Form::Unload() {
  if (unload_) unload_();
}

Runtime::Runtime(platform::Services services) : services_(services) {}

Runtime::~Runtime() = default;

void Runtime::End() {
  ended_ = true;
  throw EndSignal{};
}

void Runtime::Retire(std::unique_ptr<Form> form) { retired_.push_back(std::move(form)); }

void Runtime::ReleaseRetired() { retired_.clear(); }

}  // namespace vb
