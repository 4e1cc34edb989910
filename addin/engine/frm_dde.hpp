// frmDDE: the hidden form that carries the engine links (Text1 the command link, Text2 the
// status link) and the menu buttons' face pictures. It is never shown.
#pragma once

#include <memory>
#include <vector>

#include "vbrt/forms.hpp"

namespace norb::forms {

class frmDDE : public vb::Form {
 public:
  explicit frmDDE(vb::Runtime& rt);

  vb::TextBox Text1{*this, "Text1"};
  vb::TextBox Text2{*this, "Text2"};
  // Picture1(0..5): the faces of the add-in's menu buttons.
  std::vector<std::unique_ptr<vb::PictureBox>> Picture1;
};

}  // namespace norb::forms
