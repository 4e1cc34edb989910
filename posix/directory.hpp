// Looking names up in a POSIX folder the way Windows looks them up: case aside, and by alias.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace posix {

// The entries of a folder ("." and ".." left out); empty when it cannot be read.
std::vector<std::string> ListDirectory(const std::string& folder);

// The on-disk name `name` (UTF-8) stands for in `folder`: the exact name when it exists, else the
// one matching without regard to case (the first in byte order when several do), else the
// sibling whose short alias it is; nullopt when none.
std::optional<std::string> FindEntry(const std::string& folder, std::string_view name);

// The entry `name` of `folder` as a Windows program sees it: in the active code page, or by its
// short alias when the code page cannot spell it.
std::string WindowsNameOf(const std::string& folder, std::string_view name);

// `folder` + "/" + `name`, without doubling the slash of the root.
std::string JoinPath(std::string_view folder, std::string_view name);

// ASCII case aside, as profile sections and keys compare.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace posix
