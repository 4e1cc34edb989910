// How DDE names look on D-Bus, in one place for servers and clients alike.
//
// Application "APP" is the bus name "dde.APP"; its topic "T" is the object path "/T", which
// takes executes through method Execute(s) of interface dde.Topic; the topic's items are the
// string properties of interface dde.Items and announce changes with PropertiesChanged.
//
// A server may also offer a direct connection, which spares every message the bus daemon's hop:
// method Connect() of interface dde.Direct on its object "/" answers one end of a new connection
// (a file descriptor), made for the caller alone and counted as the caller on the bus (its own
// answers, its unique name). Over it the topics, Execute, Get and PropertiesChanged are as on the
// bus. A server without the method is reached over the bus.
//
// D-Bus names are case-sensitive, DDE names are not. A server publishes the spelling it was
// registered with ("WNORB16", "frmMain", "frmCmd", "txtStatus") and a client asks for the
// spelling it was given, so the two must agree; a different spelling finds no server (282) or
// no item (285). DDE names D-Bus cannot carry (anything but letters, digits and '_', or a name
// starting with a digit) are refused: a server will not publish them, a client finds nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dde::dbus {

inline constexpr std::string_view kBusNamePrefix = "dde.";
inline constexpr std::string_view kTopicInterface = "dde.Topic";
inline constexpr std::string_view kExecuteMethod = "Execute";
inline constexpr std::string_view kItemsInterface = "dde.Items";
inline constexpr std::string_view kPropertiesInterface = "org.freedesktop.DBus.Properties";
inline constexpr std::string_view kPropertiesChanged = "PropertiesChanged";

inline constexpr std::string_view kDirectInterface = "dde.Direct";
inline constexpr std::string_view kDirectPath = "/";
inline constexpr std::string_view kConnectMethod = "Connect";

// The server would not take the command (the client raises 285).
inline constexpr std::string_view kRefusedError = "dde.Error.Refused";
// The server's handler failed on the command (the client raises 285 too).
inline constexpr std::string_view kFailedError = "dde.Error.Failed";

// Null when D-Bus cannot carry the name.
std::optional<std::string> BusName(std::string_view application);
std::optional<std::string> ObjectPath(std::string_view topic);
std::optional<std::string> PropertyName(std::string_view item);

}  // namespace dde::dbus
