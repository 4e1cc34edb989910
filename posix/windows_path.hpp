// Lexical work on Windows paths as the IDE does it (no disk access).
#pragma once

#include <string>
#include <string_view>

namespace posix {

// Joins `relative` (backslashes, maybe "..") onto the folder `base` ("C:\a\b", with or
// without a trailing "\"), resolving "." and ".."; an absolute `relative` stands alone.
std::string CombineWindowsPath(std::string_view base, std::string_view relative);
// "C:\a\b\File.frm" -> "C:\a\b"
std::string WindowsFolderOf(std::string_view path);
// "C:\a\b\File.frm" -> "File.frm"
std::string WindowsFileNameOf(std::string_view path);
bool IsWindowsAbsolute(std::string_view path);
// "C:\a\File.frm" or "File.frm" -> ".frm"; "" when the name has no dot.
std::string ExtensionOf(std::string_view name);
// "File.frm" -> "File"; a name that is only a dot and an extension stays whole.
std::string WithoutExtension(std::string_view name);

}  // namespace posix
