// What the two option dialogs share: a "Files" page with the component list and its selection
// toolbar, an "Options" page with check boxes, and Help, OK and Cancel. frmExtract and frmUpdate
// add their options and their OK.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "vbrt/common_controls.hpp"
#include "vbrt/forms.hpp"

namespace norb {
class MainModule;
}

namespace norb::forms {

class OptionsDialog : public vb::Form {
 public:
  OptionsDialog(MainModule& m, std::string name, std::string caption, long client_width, long client_height);

  void Form_Load() override;
  void Form_Activate() override;
  void Form_Unload(int& Cancel) override;
  void cmdCancel_Click();
  void cmdHelp_Click();
  void TabStrip1_BeforeClick(int& Cancel);
  void ListView1_ColumnClick(const vb::ColumnHeader& header);
  void Toolbar1_ButtonClick(const vb::ToolbarButton& button);
  virtual void cmdOK_Click() = 0;

  vb::TabStrip TabStrip1{*this, "TabStrip1", {"Files", "Options"}};
  vb::Frame Frame1_0{*this, "Frame1(0)"};
  vb::Toolbar Toolbar1;
  vb::ListView ListView1{*this, "ListView1", {"Component Name", "File(s)", "User ID", "Type"}};
  vb::Frame Frame1_1{*this, "Frame1(1)"};
  vb::Label Label2{*this, "Label2", "Options:"};
  vb::PictureBox Image2;
  vb::CommandButton cmdHelp{*this, "cmdHelp", "&Help"};
  vb::CommandButton cmdOK{*this, "cmdOK", "&OK", true, false};
  vb::CommandButton cmdCancel{*this, "cmdCancel", "&Cancel", false, true};
  vb::ImageList ImageList1;

  // Frame1(0) and Frame1(1), as the control array.
  vb::Frame& Frame1(int index) { return index == 0 ? Frame1_0 : Frame1_1; }

 protected:
  MainModule& m_;
};

}  // namespace norb::forms
