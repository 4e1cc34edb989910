// Private-profile (INI) text: the few rules Windows applies, over a file's bytes. Every byte the
// change does not concern stays as it was, line ends and comments included; names match without
// regard to ASCII case; other bytes (Windows-1252 or anything else) are carried as they are.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace posix {

// The value on the first line of `key` in the first section named `section`, trimmed of blanks
// and tabs, then of one pair of enclosing quotes. nullopt when the section or key is absent.
std::optional<std::string> FindProfileValue(std::string_view text, std::string_view section,
                                            std::string_view key);

// The key lines of the first section named `section`, in order, as (name, value) trimmed as
// above but with quotes kept; empty when the section is absent.
std::vector<std::pair<std::string, std::string>> ProfileSection(std::string_view text,
                                                                std::string_view section);

// `text` with `key` in `section` set to `value`. An existing key line is rewritten in place
// (keeping the file's spelling of the key); a new key goes after the section's last line that
// is not blank; a new section is added at the end after a blank line. New lines end as the
// file's first line does (CRLF for a file without one).
std::string SetProfileValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value);

}  // namespace posix
