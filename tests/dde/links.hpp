// The add-in's two links on its hidden form: commands to frmMain, the status from frmCmd.
#pragma once

#include "dde/text_box_link.hpp"

namespace testing_support {

struct Links {
  dde::TextBoxLink command;
  dde::TextBoxLink status;

  explicit Links(dde::Transport& transport)
      : command(transport, "frmDDE", "Text1"), status(transport, "frmDDE", "Text2") {
    command.SetLinkTopic("WNORB16|frmMain");
    status.SetLinkTopic("WNORB16|frmCmd");
    status.SetLinkItem("txtStatus");
  }
  void Connect() {
    command.SetLinkMode(dde::vbLinkManual);
    status.SetLinkMode(dde::vbLinkAutomatic);
  }
};

}  // namespace testing_support
