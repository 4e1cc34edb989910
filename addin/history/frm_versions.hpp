// frmVersions: the list of a file's stored versions, one entry per version line of the engine's
// answer.
#pragma once

#include "vbrt/common_controls.hpp"
#include "vbrt/forms.hpp"

namespace norb::forms {

class frmVersions : public vb::Form {
 public:
  explicit frmVersions(vb::Runtime& rt);
  void Form_Load() override;
  void Form_Activate() override;
  void cmdOK_Click();

  vb::ListBox lstVersions{*this, "lstVersions"};
  vb::CommandButton cmdOK{*this, "cmdOK", "Cl&ose", true, true};
  vb::PictureBox Image1;
};

}  // namespace norb::forms
