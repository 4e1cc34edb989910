// Lexical work on Windows paths as the IDE does it (no disk access).
#pragma once

#include <string>
#include <string_view>

namespace vbhost {

// Joins `relative` (backslashes, maybe "..") onto the folder `base` ("C:\a\b", with or
// without a trailing "\"), resolving "." and ".."; an absolute `relative` stands alone.
std::string CombineWindowsPath(std::string_view base, std::string_view relative);
// "C:\a\b\File.frm" -> "C:\a\b"
std::string WindowsFolderOf(std::string_view path);
// "C:\a\b\File.frm" -> "File.frm"
std::string WindowsFileNameOf(std::string_view path);
bool IsWindowsAbsolute(std::string_view path);

}  // namespace vbhost
