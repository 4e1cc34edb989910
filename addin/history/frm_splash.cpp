#include "addin/history/frm_splash.hpp"

#include <string>

namespace norb::forms {

frmSplash::frmSplash(vb::Runtime& rt) : vb::Form(rt, "frmSplash") {}

void frmSplash::Form_Load() {
  const vb::App& app = runtime().app();
  lblVersion.SetCaption("v" + std::to_string(app.Major) + "." + std::to_string(app.Minor) + "." +
                        std::to_string(app.Revision));
}

}  // namespace norb::forms
