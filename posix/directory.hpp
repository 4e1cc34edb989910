// Looking names up in a POSIX folder the way Windows looks them up: case aside, and by alias.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace posix {

// The entries of a folder ("." and ".." left out); empty when it cannot be read.
std::vector<std::string> ListDirectory(const std::string& folder);

// The on-disk name `name` stands for in `folder`: the exact name when it exists, else the one
// matching without regard to ASCII case (the first in byte order when several do), else the
// sibling whose short alias it is; nullopt when none.
std::optional<std::string> FindEntry(const std::string& folder, std::string_view name);

// `folder` + "/" + `name`, without doubling the slash of the root.
std::string JoinPath(std::string_view folder, std::string_view name);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace posix
