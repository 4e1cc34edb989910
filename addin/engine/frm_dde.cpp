#include "addin/engine/frm_dde.hpp"

namespace norb::forms {

frmDDE::frmDDE(vb::Runtime& rt) : vb::Form(rt, "frmDDE") {}

}  // namespace norb::forms
