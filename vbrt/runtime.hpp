// The VB runtime of one add-in "process": what its forms and `End` need from the host, the
// App object, and forms unloaded during the current call (kept alive until it returns, as VB
// keeps an object alive while one of its procedures runs).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/services.hpp"
#include "vbrt/error.hpp"

namespace vb {

class Form;

// VB's App object.
struct App {
  std::string Title;
  std::string Path;      // the folder the executable was started from, no trailing "\"
  std::string HelpFile;  // opened by the help key
  int Major = 0;
  int Minor = 0;
  int Revision = 0;
};

class Runtime {
 public:
  explicit Runtime(platform::Services services);
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;
  ~Runtime();

  platform::Services& services() { return services_; }
  platform::FormsUi& ui() { return services_.ui; }
  App& app() { return app_; }

  bool ended() const noexcept { return ended_; }
  // VB's End: nothing of the add-in runs afterwards. Unwinds to the host boundary.
  [[noreturn]] void End();

  // DoEvents.
  void DoEvents() { services_.desktop.DoEvents(); }

  // Holds an unloaded form until the host call that unloaded it has returned.
  void Retire(std::unique_ptr<Form> form);
  void ReleaseRetired();

 private:
  platform::Services services_;
  App app_;
  bool ended_ = false;
  std::vector<std::unique_ptr<Form>> retired_;
};

}  // namespace vb
