#include "posix/short_names.hpp"

#include <algorithm>
#include <unordered_set>

namespace posix {

namespace {

bool IsShortNameChar(char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("!#$%&'()-@^_`{}~").find(c) != std::string_view::npos;
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperCase(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), Upper);
  return out;
}

// Up to `limit` characters of `text` from the 8.3 set, upper case; the rest dropped.
std::string ValidChars(std::string_view text, std::size_t limit) {
  std::string out;
  for (char c : text) {
    if (out.size() == limit) break;
    if (IsShortNameChar(c)) out += Upper(c);
  }
  return out;
}

// A name has an extension when its last dot is not its first character and at least one
// character of the 8.3 set follows that dot.
std::string AliasExtension(std::string_view long_name) {
  auto dot = long_name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return "";
  return ValidChars(long_name.substr(dot + 1), 3);
}

}  // namespace

bool IsValidShortName(std::string_view name) {
  auto dot = name.find('.');
  std::string_view base = name.substr(0, dot);
  std::string_view ext = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
  if (base.empty() || base.size() > 8) return false;
  if (dot != std::string_view::npos && (ext.empty() || ext.size() > 3)) return false;
  return std::all_of(base.begin(), base.end(), IsShortNameChar) &&
         std::all_of(ext.begin(), ext.end(), IsShortNameChar);
}

std::uint16_t FoldedNameHash(std::string_view name) {
  std::uint32_t hash = 2166136261u;
  for (unsigned char c : name) {
    hash ^= c;
    hash *= 16777619u;
  }
  return static_cast<std::uint16_t>((hash >> 16) ^ (hash & 0xFFFFu));
}

std::string AliasCandidate(std::string_view long_name, int n) {
  std::string stem = ValidChars(long_name, 2);
  if (stem.empty()) stem = "_";
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::uint16_t hash = FoldedNameHash(long_name);
  for (int shift = 12; shift >= 0; shift -= 4) stem += kHex[(hash >> shift) & 0xF];
  // Past ~9 the tail grows; the stem gives way so the base stays within 8 characters.
  std::string tail = "~" + std::to_string(n);
  std::string alias = stem.substr(0, 8 - std::min<std::size_t>(tail.size(), 7)) + tail;
  std::string ext = AliasExtension(long_name);
  if (!ext.empty()) alias += "." + ext;
  return alias;
}

std::vector<ShortName> AssignShortNames(std::vector<std::string> siblings) {
  std::sort(siblings.begin(), siblings.end());
  std::unordered_set<std::string> taken;
  for (const auto& name : siblings) {
    if (IsValidShortName(name)) taken.insert(UpperCase(name));
  }
  std::vector<ShortName> result;
  result.reserve(siblings.size());
  for (auto& name : siblings) {
    if (IsValidShortName(name)) {
      result.push_back({name, name});
      continue;
    }
    std::string alias;
    for (int n = 1;; ++n) {
      alias = AliasCandidate(name, n);
      if (taken.insert(alias).second) break;
    }
    result.push_back({std::move(name), std::move(alias)});
  }
  return result;
}

std::string ShortNameAmong(const std::vector<std::string>& siblings, std::string_view name) {
  if (IsValidShortName(name)) return std::string(name);
  for (auto& entry : AssignShortNames(siblings)) {
    if (entry.long_name == name) return std::move(entry.short_name);
  }
  // Not among the siblings: its alias as if it were alone.
  return AliasCandidate(name, 1);
}

std::optional<std::string> LongNameOfAlias(const std::vector<std::string>& siblings, std::string_view alias) {
  if (alias.find('~') == std::string_view::npos || !IsValidShortName(alias)) return std::nullopt;
  std::string wanted = UpperCase(alias);
  for (auto& entry : AssignShortNames(siblings)) {
    if (entry.short_name != entry.long_name && entry.short_name == wanted) return std::move(entry.long_name);
  }
  return std::nullopt;
}

}  // namespace posix
