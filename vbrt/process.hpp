// The host boundary of the add-in's process. The host makes every call into the add-in
// through Call: the connect class, sink events, menu clicks, a person's actions on a form.
// When `End` unwinds to the outermost call the state (globals, forms, links, sinks) is
// destroyed; afterwards calls do nothing, and the host may start a fresh process.
#pragma once

#include <functional>
#include <memory>
#include <utility>

#include "vbrt/error.hpp"

namespace vb {

template <class State>
class Process {
 public:
  explicit Process(std::shared_ptr<State> state) : state_(std::move(state)) {}

  bool alive() const noexcept { return state_ != nullptr && !ending_; }
  State* state() noexcept { return alive() ? state_.get() : nullptr; }
  std::weak_ptr<State> weak() const { return state_; }

  // Called once when the process has ended, after its state is gone.
  void OnEnded(std::function<void()> f) { on_ended_ = std::move(f); }

  // Runs `f` inside the add-in. Answers false when the process has ended (before or during
  // the call). Run-time errors pass through to the host, which reports them.
  template <class F>
  bool Call(F&& f) {
    if (!alive()) return false;
    ++depth_;
    try {
      std::forward<F>(f)();
    } catch (const EndSignal&) {
      ending_ = true;
      if (--depth_ > 0) throw;  // unwind through the host's frames to the outermost call
      Finish();
      return false;
    } catch (...) {
      if (--depth_ == 0 && ending_) Finish();
      throw;
    }
    if (RuntimeEnded(*state_)) ending_ = true;  // End reached here even if a frame swallowed it
    if (--depth_ == 0) {
      if (ending_) {
        Finish();
        return false;
      }
      AfterCall(*state_);
    }
    return true;
  }

 private:
  // Forms unloaded during the call may go now.
  static void AfterCall(State& s) {
    if constexpr (requires { s.runtime().ReleaseRetired(); }) s.runtime().ReleaseRetired();
  }
  static bool RuntimeEnded(State& s) {
    if constexpr (requires { s.runtime().ended(); }) return s.runtime().ended();
    return false;
  }
  void Finish() {
    state_.reset();
    if (on_ended_) on_ended_();
  }

  std::shared_ptr<State> state_;
  int depth_ = 0;
  bool ending_ = false;
  std::function<void()> on_ended_;
};

}  // namespace vb
