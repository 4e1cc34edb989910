// The menu's content as data: the twenty buttons in creation order, then the order disconnection
// deletes them. Every button goes in at a fixed position and pushes the earlier ones down, so the
// creation order matters.
#include "addin/shell/nvb5_version_control.hpp"

namespace norb {

namespace {
constexpr std::string_view kTools = "Tools";
constexpr std::string_view kFormFolder = "Project Window Form Folder";
constexpr std::string_view kModuleFolder = "Project Window Module/Class Folder";
constexpr std::string_view kDocsFolder = "Project Window Related Documents Folder";
constexpr int kNoFace = -1;
constexpr auto kFirst = MenuRow::Created::BeforeC2Test;
constexpr auto kAlways = MenuRow::Created::Always;
constexpr auto kWithoutC2 = MenuRow::Created::WithoutC2;
}  // namespace

#define NORB_MENU_ROW(member, bar, before, caption, separator, face, subscription, created)                  \
  MenuRow {                                                                                                  \
    &nvb5VersionControl::member, #member, bar, before, caption, separator, face,                             \
        &nvb5VersionControl::subscription, #subscription, &nvb5VersionControl::subscription##_Click, created \
  }

const MenuRow nvb5VersionControl::kMenu[20] = {
    NORB_MENU_ROW(cbcRunNORB, kTools, 8, "Run &NORB for Windows", false, 3, cbcRunNORBhandler, kFirst),
    NORB_MENU_ROW(cbcOptions, kTools, 8, "&Version Control Options", true, 0, cbcOhandler, kFirst),
    NORB_MENU_ROW(cbcPrjCheckIn, kTools, 8, "Check-In Active Project [.VBP]", false, 5, cbcPrjCheckInhandler,
                  kFirst),
    NORB_MENU_ROW(cbcPrjCheckOut, kTools, 8, "Check-Out Active Project [.VBP]", true, 4,
                  cbcPrjCheckOuthandler, kFirst),
    NORB_MENU_ROW(cbcUNCheckOut, kTools, 8, "&Undo Check Out", false, kNoFace, cbcUCOThandler, kWithoutC2),
    NORB_MENU_ROW(cbcCheckIn, kTools, 8, "Check &In", false, kNoFace, cbcCIThandler, kWithoutC2),
    NORB_MENU_ROW(cbcCheckOut, kTools, 8, "C&heck Out", false, kNoFace, cbcCOThandler, kWithoutC2),
    NORB_MENU_ROW(cbcGet, kTools, 8, "&Get", false, kNoFace, cbcGTThandler, kWithoutC2),
    NORB_MENU_ROW(cbcFormCheckIn, kFormFolder, 8, "Check &In", false, kNoFace, cbcFormCheckInhandler,
                  kWithoutC2),
    NORB_MENU_ROW(cbcFormCheckOut, kFormFolder, 8, "C&heck Out", false, kNoFace, cbcFormCheckOuthandler,
                  kWithoutC2),
    NORB_MENU_ROW(cbcModClassCheckIn, kModuleFolder, 7, "Check &In", false, kNoFace,
                  cbcModClassCheckInhandler, kWithoutC2),
    NORB_MENU_ROW(cbcModClassCheckOut, kModuleFolder, 7, "C&heck Out", false, kNoFace,
                  cbcModClassCheckOuthandler, kWithoutC2),
    NORB_MENU_ROW(cbcDocsCheckIn, kDocsFolder, 6, "Check &In", false, kNoFace, cbcDocsCheckInhandler,
                  kWithoutC2),
    NORB_MENU_ROW(cbcDocsCheckOut, kDocsFolder, 6, "C&heck Out", false, kNoFace, cbcDocsCheckOuthandler,
                  kWithoutC2),
    NORB_MENU_ROW(cbcFHistory, kFormFolder, 8, "Version &History", false, 1, cbcHFhandler, kAlways),
    NORB_MENU_ROW(cbcFDelta, kFormFolder, 8, "Delta &Compare", true, 2, cbcDFhandler, kAlways),
    NORB_MENU_ROW(cbcMCHistory, kModuleFolder, 7, "Version &History", false, 1, cbcHMChandler, kAlways),
    NORB_MENU_ROW(cbcMCDelta, kModuleFolder, 7, "Delta &Compare", true, 2, cbcDMChandler, kAlways),
    NORB_MENU_ROW(cbcRDHistory, kDocsFolder, 6, "Version &History", false, 1, cbcHRDhandler, kAlways),
    NORB_MENU_ROW(cbcRDDelta, kDocsFolder, 6, "Delta &Compare", true, 2, cbcDRDhandler, kAlways),
};

#undef NORB_MENU_ROW

nvb5VersionControl::Control nvb5VersionControl::*const nvb5VersionControl::kDeletionOrder[20] = {
    &nvb5VersionControl::cbcOptions,
    &nvb5VersionControl::cbcFHistory,
    &nvb5VersionControl::cbcFDelta,
    &nvb5VersionControl::cbcMCHistory,
    &nvb5VersionControl::cbcMCDelta,
    &nvb5VersionControl::cbcRDHistory,
    &nvb5VersionControl::cbcRDDelta,
    &nvb5VersionControl::cbcCheckIn,
    &nvb5VersionControl::cbcCheckOut,
    &nvb5VersionControl::cbcPrjCheckIn,
    &nvb5VersionControl::cbcPrjCheckOut,
    &nvb5VersionControl::cbcUNCheckOut,
    &nvb5VersionControl::cbcGet,
    &nvb5VersionControl::cbcFormCheckOut,
    &nvb5VersionControl::cbcFormCheckIn,
    &nvb5VersionControl::cbcModClassCheckOut,
    &nvb5VersionControl::cbcModClassCheckIn,
    &nvb5VersionControl::cbcDocsCheckOut,
    &nvb5VersionControl::cbcDocsCheckIn,
    &nvb5VersionControl::cbcRunNORB,
};

}  // namespace norb
