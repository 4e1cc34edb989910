// frmSplash: the progress window shown while the add-in connects and while it checks the
// project. No buttons, no input; other procedures drive it through its controls.
#pragma once

#include "vbrt/forms.hpp"

namespace norb::forms {

class frmSplash : public vb::Form {
 public:
  explicit frmSplash(vb::Runtime& rt);
  void Form_Load() override;

  vb::Label lblCap{*this, "lblCap", "Loading..."};
  vb::Label lblVersion{*this, "lblVersion", "0.0.0"};
  vb::ProgressBar ProgressBar1{*this, "ProgressBar1", 0, 100};
  vb::PictureBox Image1{*this, "Image1"};
  vb::PictureBox Image2{*this, "Image2"};
};

}  // namespace norb::forms
