// nvb5VersionControl: the connect class the IDE creates for the add-in. Through the add-in
// interface it puts its buttons into the IDE's command bars and takes them out again; through
// ConnectAddIn and DisconnectAddIn it starts and stops the engine link and the event sinks. The
// two pairs never call each other.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ide.hpp"

namespace norb {

class MainModule;
struct MenuRow;

class nvb5VersionControl : public platform::ide::IDTExtensibility {
 public:
  using Control = std::shared_ptr<platform::ide::CommandBarControl>;

  explicit nvb5VersionControl(MainModule& m) : m_(m) {}

  // ---- Public members, in the order of the automation interface --------------------------
  // The connection number of the file-control sink; handed back unchanged on disconnection.
  long FileEventID = 0;
  Control cbcOptions;
  Control cbcCheckIn;
  Control cbcCheckOut;
  Control cbcPrjCheckIn;
  Control cbcPrjCheckOut;
  Control cbcUNCheckOut;
  Control cbcGet;
  Control cbcRunNORB;
  Control cbcFHistory;
  Control cbcFDelta;
  Control cbcFormCheckOut;
  Control cbcFormCheckIn;
  Control cbcMCHistory;
  Control cbcMCDelta;
  Control cbcModClassCheckOut;
  Control cbcModClassCheckIn;
  Control cbcRDHistory;
  Control cbcRDDelta;
  Control cbcDocsCheckOut;
  Control cbcDocsCheckIn;
  void ConnectAddIn(std::shared_ptr<platform::ide::Application> vbinstance);
  void DisconnectAddIn(long Mode);

  // ---- IDTExtensibility ----------------------------------------------------------------
  void OnConnection(std::shared_ptr<platform::ide::VBE> VBInst, long ConnectMode,
                    std::shared_ptr<platform::ide::AddIn> AddInInst,
                    std::vector<std::string>& custom) override;
  void OnDisconnection(long RemoveMode, std::vector<std::string>& custom) override;
  void OnStartupComplete(std::vector<std::string>& custom) override;
  void OnAddInsUpdate(std::vector<std::string>& custom) override;

  // ---- Click handlers of the subscriptions ---------------------------------------------
  void cbcCIThandler_Click(const Control& CommandBarControl, bool& handled, bool& CancelDefault);
  void cbcCOThandler_Click(const Control& CommandBarControl, bool& handled, bool& CancelDefault);
  void cbcDFhandler_Click(const Control& CommandBarControl, bool& handled, bool& CancelDefault);
  void cbcDMChandler_Click(const Control& CommandBarControl, bool& handled, bool& CancelDefault);
  void cbcDocsCheckInhandler_Click(const Control& CommandBarControl, bool& handled, bool& CancelDefault);
  void cbcDocsCheckOuthandler_Click(const Control& CommandBarControl, bool& handled, bool& CancelDefault);
  void cbcDRDhandler_Click(const Control& CommandBarControl, bool& handled, bool& CancelDefault);
  void cbcFormCheckInhandler_Click(const Control& CommandBarControl, bool& handled, bool& CancelDefault);
  void cbcFormCheckOuthandler_Click(const Control& CommandBarControl, bool& handled, bool& CancelDefault);
  void cbcGTThandler_Click(const Control& CommandBarControl, bool& handled, bool& CancelDefault);
  void cbcHFhandler_Click(const Control& CommandBarControl, bool& handled, bool& CancelDefault);
  void cbcHMChandler_Click(const Control& CommandBarControl, bool& handled, bool& CancelDefault);
  void cbcHRDhandler_Click(const Control& CommandBarControl, bool& handled, bool& CancelDefault);
  void cbcModClassCheckInhandler_Click(const Control& CommandBarControl, bool& handled, bool& CancelDefault);
  void cbcModClassCheckOuthandler_Click(const Control& CommandBarControl, bool& handled, bool& CancelDefault);
  void cbcOhandler_Click(const Control& CommandBarControl, bool& handled, bool& CancelDefault);
  void cbcPrjCheckInhandler_Click(const Control& CommandBarControl, bool& handled, bool& CancelDefault);
  void cbcPrjCheckOuthandler_Click(const Control& CommandBarControl, bool& handled, bool& CancelDefault);
  void cbcRunNORBhandler_Click(const Control& CommandBarControl, bool& handled, bool& CancelDefault);
  void cbcUCOThandler_Click(const Control& CommandBarControl, bool& handled, bool& CancelDefault);

 private:
  friend struct MenuRow;
  using Subscription = std::shared_ptr<platform::ide::CommandBarEvents>;
  using Handler = void (nvb5VersionControl::*)(const Control&, bool&, bool&);

  // The menu's twenty records, in creation order.
  static const MenuRow kMenu[20];
  // The buttons in the order disconnection deletes them.
  static Control nvb5VersionControl::*const kDeletionOrder[20];
  // Creates one row's button and its subscription, one guarded statement at a time.
  void CreateMenuRow(const MenuRow& row);
  void CreateMenus();

  MainModule& m_;

  // ---- Private members: the event subscriptions ----------------------------------------
  Subscription cbcOhandler;
  Subscription cbcCIThandler;
  Subscription cbcCOThandler;
  Subscription cbcPrjCheckInhandler;
  Subscription cbcPrjCheckOuthandler;
  Subscription cbcUCOThandler;
  Subscription cbcGTThandler;
  Subscription cbcRunNORBhandler;
  Subscription cbcHFhandler;
  Subscription cbcDFhandler;
  Subscription cbcFormCheckInhandler;
  Subscription cbcHMChandler;
  Subscription cbcDMChandler;
  Subscription cbcModClassCheckOuthandler;
  Subscription cbcModClassCheckInhandler;
  Subscription cbcHRDhandler;
  Subscription cbcFormCheckOuthandler;
  Subscription cbcDRDhandler;
  Subscription cbcDocsCheckOuthandler;
  Subscription cbcDocsCheckInhandler;
  // What each subscription delivers its Click to.
  std::vector<std::shared_ptr<platform::ide::CommandBarClick>> click_targets_;
};

// One button of the menu: where it goes, what it shows, what it runs.
struct MenuRow {
  // Made before the test for C2.EXE, after it always, or after it only where C2.EXE is missing.
  enum class Created { BeforeC2Test, Always, WithoutC2 };

  nvb5VersionControl::Control nvb5VersionControl::*member;
  std::string_view member_name;
  std::string_view bar;
  int before;
  std::string_view caption;
  bool separator;
  int face;  // -1: none
  nvb5VersionControl::Subscription nvb5VersionControl::*subscription;
  std::string_view subscription_name;
  nvb5VersionControl::Handler click;
  Created created;
};

}  // namespace norb
