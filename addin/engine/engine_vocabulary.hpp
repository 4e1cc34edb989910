// The engine's vocabulary in one place: its DDE names, the command texts the add-in sends and
// the phrases it reads back.
#pragma once

#include <string_view>

namespace norb::engine {

// DDE names.
inline constexpr std::string_view kCommandTopic = "WNORB16|frmMain";
inline constexpr std::string_view kStatusTopic = "WNORB16|frmCmd";
inline constexpr std::string_view kStatusItem = "txtStatus";

// Executables and command lines.
inline constexpr std::string_view kAddInModule = "NORBVB5.EXE";  // 11 characters, cut by length
inline constexpr std::string_view kEngineExe = "WNORB16.EXE";
inline constexpr std::string_view kLaunchLinked = "WNORB16 -L";
inline constexpr std::string_view kLaunchInteractive = "WNORB16";
inline constexpr std::string_view kHelpFile = "WNORB.HLP";

// Commands.
inline constexpr std::string_view kLockModeQuery = "G2LOCKING";
inline constexpr std::string_view kChangeDirectory = "CD ";
inline constexpr std::string_view kLockQuery = "T ";
inline constexpr std::string_view kConfigure = "CONFIG";
inline constexpr std::string_view kHistory = "L ";
inline constexpr std::string_view kCompare = "-C ";

// Answers.
inline constexpr std::string_view kLockModeOn = "Y";
inline constexpr std::string_view kNotCheckedOut = "is not checked out";  // compared in lower case
inline constexpr std::string_view kCheckedOutToOther = "is checked out to someone else";
inline constexpr std::string_view kCheckedOutToYou = "is checked out to you";
inline constexpr std::string_view kNoLockFile = "NO LOCK FILE";  // compared in upper case

}  // namespace norb::engine
