#include "addin/engine/frm_dde.hpp"

#include <string>

#include "addin/shell/faces.hpp"

namespace norb::forms {

frmDDE::frmDDE(vb::Runtime& rt) : vb::Form(rt, "frmDDE") {
  for (int i = 0; i < kFaceCount; ++i) {
    Picture1.push_back(
        std::make_unique<vb::PictureBox>(*this, "Picture1(" + std::to_string(i) + ")", Face(i)));
  }
}

}  // namespace norb::forms
