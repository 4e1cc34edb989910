#include "dde/dbus_names.hpp"

#include <algorithm>

namespace dde::dbus {
namespace {

// Bus name elements and member names both allow letters, digits and '_' without a leading
// digit; the length stays well within the bus's limit of 255 for a whole name.
bool Carriable(std::string_view name) {
  auto plain = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  };
  return !name.empty() && name.size() <= 200 && !(name[0] >= '0' && name[0] <= '9') &&
         std::all_of(name.begin(), name.end(), plain);
}

std::optional<std::string> With(std::string_view prefix, std::string_view name) {
  if (!Carriable(name)) return std::nullopt;
  std::string result(prefix);
  result += name;
  return result;
}

}  // namespace

std::optional<std::string> BusName(std::string_view application) { return With(kBusNamePrefix, application); }

std::optional<std::string> ObjectPath(std::string_view topic) { return With("/", topic); }

std::optional<std::string> PropertyName(std::string_view item) { return With("", item); }

}  // namespace dde::dbus
