// MainModule: the add-in's module of procedures with its module-level globals and its forms'
// default instances. One instance is the add-in's "process": the host creates it at a process
// start, and `End` destroys it, so nothing of the add-in lives in C++ statics.
//
// The procedures are members, so their bodies read like the module's code: they use the globals
// and each other by name. Each concept's procedures are defined in the file named after it.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ide.hpp"
#include "platform/services.hpp"
#include "vbrt/forms.hpp"
#include "vbrt/runtime.hpp"

namespace norb {

// Where the IDE lists its add-ins and this add-in's entry there: Sub Main writes it, the IDE reads it.
inline constexpr std::string_view kAddInList = "vbaddin.ini";
inline constexpr std::string_view kAddInsSection = "Add-Ins32";
inline constexpr std::string_view kAddInKey = "NORBVB5.nvb5VersionControl";

namespace forms {
class frmDDE;
class frmExtract;
class frmSplash;
class frmUpdate;
class frmVersions;
}  // namespace forms

class nvb5VersionControl;
class nvb5FEvents;
class nvb5ProjEvents;

// A file's lock state as the engine reports it; also the code written into a component's state.
enum LockState : long {
  NoLockFile = 0,
  NotCheckedOut = 1,
  CheckedOutToYou = 3,
  CheckedOutToOther = 5,
};

class MainModule {
  // First: the forms below are built on it.
  vb::Runtime rt_;

 public:
  explicit MainModule(platform::Services services);
  ~MainModule();
  MainModule(const MainModule&) = delete;
  MainModule& operator=(const MainModule&) = delete;

  vb::Runtime& runtime() { return rt_; }
  vb::App& App() { return rt_.app(); }
  platform::Services& sys() { return rt_.services(); }

  // The IDE creates the connect class; it lives as long as this process.
  std::shared_ptr<nvb5VersionControl> CreateConnectClass();

  // ---- Module-level globals -------------------------------------------------------------
  std::shared_ptr<platform::ide::VBE> gVBE;
  std::shared_ptr<platform::ide::Application> gVBInst;
  long gProjEventID = 0;
  std::string gEngineDir;
  long gLockMode = 0;
  std::string gExtractOptions;
  std::string gUpdateOptions;
  long gDialogCancelled = 0;
  long gInOptionClick = 0;
  // `As New`: created on first use.
  std::shared_ptr<nvb5FEvents> gFileEvents();
  std::shared_ptr<nvb5ProjEvents> gProjEvents();

  // ---- Forms ----------------------------------------------------------------------------
  vb::FormSlot<forms::frmSplash> frmSplash;
  vb::FormSlot<forms::frmDDE> frmDDE;
  vb::FormSlot<forms::frmExtract> frmExtract;
  vb::FormSlot<forms::frmUpdate> frmUpdate;
  vb::FormSlot<forms::frmVersions> frmVersions;

  // ---- File-name helpers (engine/file_names.cpp) ---------------------------------------
  void ShortDirName(std::string& path);
  void ShortFileName(std::string& path);
  void SystemModalMessage(const std::string& text);

  // ---- Engine location and launch (engine/engine_location.cpp) -------------------------
  void get_data_path();
  void startNORB();

  // ---- Engine command channel (engine/command_channel.cpp) -----------------------------
  void ReadLockMode();
  void ChangeEngineDir();

  // ---- Lock-status query (engine/lock_status.cpp) --------------------------------------
  LockState LockStatus(const std::string& file);
  bool CheckProjIcons();

  // ---- Start-up and shutdown (engine/startup.cpp) --------------------------------------
  void rcnct();
  [[noreturn]] void CloseDown();

  // ---- Component list and lock display (status/component_list.cpp) --------------------
  // `dialog` is a form with a report list named ListView1, reached by name.
  bool CheckProjIcons2(vb::Form& dialog);
  bool CheckProjFile(vb::Form& dialog);

  // ---- Selection by lock status (operations/select_by_icon.cpp) ------------------------
  void SelectByIcon(long index, vb::Form& dialog);

  // ---- Check-out and check-in (operations/check_in_out.cpp) ----------------------------
  void Check_Out();
  void Project_Check_Out();
  void Check_In();
  void Project_Check_In();
  // "Get" and "Undo Check Out", from the menu and from the project's events alike: a check-out
  // with the browse and freshen options ticked, a check-in with the discard option ticked.
  void Get();
  void Undo_Check_Out();

  // ---- History and compare (history/version_history.cpp) ------------------------------
  void ShowVersionHistory();
  void DeltaCompare();

  // ---- Self-registration (install/sub_main.cpp): Sub Main, run at every process start ----
  void Main();

 private:
  struct Operation;
  void RunOnComponents(const Operation& op);
  // The Project window's selected component and its first file, when that file is saved; says
  // "needs saving" and answers false otherwise.
  bool SelectedSavedFile(std::shared_ptr<platform::ide::VBComponent>& c, std::string& f);
  void RunOnProjectFile(const Operation& op);

  std::shared_ptr<nvb5FEvents> file_events_;
  std::shared_ptr<nvb5ProjEvents> proj_events_;
  std::vector<std::shared_ptr<nvb5VersionControl>> connect_classes_;
};

// Starts the add-in's process: the module with the App object filled in. `app_path` is the
// folder the executable was started from.
std::shared_ptr<MainModule> StartProcess(platform::Services services, std::string app_path);

}  // namespace norb
