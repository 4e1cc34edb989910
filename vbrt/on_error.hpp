// The add-in's four error policies, one guarded statement at a time, so a procedure reads
// like its algorithm:
//
//   auto step = vb::OnError::ResumeNext();
//   step([&] { frmSplash->lblCap.SetCaption(" Connecting..."); });
//   step([&] { gVBInst = vbinstance; });
//
// A statement is a lambda; a loop body is statements too. An error inside a callee without a
// trap abandons the rest of the callee and reaches the caller's guard. `End` (vb::EndSignal)
// is no vb::Error, so no policy catches it.
#pragma once

#include <functional>
#include <new>
#include <utility>

#include "vbrt/error.hpp"

namespace vb {

class OnError {
 public:
  using Handler = std::function<void(const Error&)>;

  // On Error Resume Next: the failing statement is skipped silently.
  static OnError ResumeNext() {
    return OnError([](const Error&) {});
  }
  // Trap and report: the handler shows the error, then the next statement runs.
  static OnError Report(Handler show) { return OnError(std::move(show)); }
  // Trap and close down: the handler shows the error and ends the add-in (it does not return).
  static OnError CloseDown(Handler show_and_end) { return OnError(std::move(show_and_end)); }
  // No trap: errors go to the caller, abandoning the rest of this procedure.
  static OnError None() { return OnError(nullptr); }

  template <class Statement>
  void operator()(Statement&& statement) const {
    if (!handler_) {
      std::forward<Statement>(statement)();
      return;
    }
    try {
      std::forward<Statement>(statement)();
    } catch (const Error& e) {
      handler_(e);
    } catch (const std::bad_alloc&) {
      handler_(Error(err::OutOfMemory));
    }
  }

 private:
  explicit OnError(Handler h) : handler_(std::move(h)) {}
  Handler handler_;
};

// On Error GoTo Handler with the handler ending the procedure: the first error abandons the
// body, `handler` runs, and the procedure returns.
template <class Body, class Handler>
void TrapAndExit(Body&& body, Handler&& handler) {
  try {
    std::forward<Body>(body)();
  } catch (const Error& e) {
    std::forward<Handler>(handler)(e);
  } catch (const std::bad_alloc&) {
    std::forward<Handler>(handler)(Error(err::OutOfMemory));
  }
}

}  // namespace vb
