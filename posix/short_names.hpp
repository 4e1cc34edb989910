// Short (8.3) names: the form the add-in's path algorithms were written for. A name that is
// already a valid 8.3 name is its own short name; any other gets an alias derived from its own
// bytes, so it stays put when unrelated siblings come and go. See docs/short-names.md.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace posix {

// 1 to 8 characters, optionally "." and 1 to 3 more, all from the 8.3 character set.
bool IsValidShortName(std::string_view name);

// The 32-bit FNV-1a hash of `name`'s bytes, high half XOR low half.
std::uint16_t FoldedNameHash(std::string_view name);

// The alias of a long name with tail number `n` (1 for "~1"), before any collision check.
std::string AliasCandidate(std::string_view long_name, int n);

struct ShortName {
  std::string long_name;
  std::string short_name;
};

// The short name of every entry of one folder, in byte order of the long names. Real 8.3 names
// keep their text; aliases take the lowest "~N" that no real 8.3 name (ignoring case) and no
// alias of an earlier long name already owns.
std::vector<ShortName> AssignShortNames(std::vector<std::string> siblings);

// The short name of `name` among `siblings` (which include it).
std::string ShortNameAmong(const std::vector<std::string>& siblings, std::string_view name);

// The sibling whose alias is `alias` (ignoring case); nullopt when none is.
std::optional<std::string> LongNameOfAlias(const std::vector<std::string>& siblings, std::string_view alias);

}  // namespace posix
