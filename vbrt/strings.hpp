// VB's string functions with VB's semantics: 1-based positions, blanks-only trimming, and
// run-time error 5 exactly where VB raises it. Several algorithms rely on that error.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vb {

using Long = long;

Long Len(std::string_view s);

// Trim, LTrim and RTrim remove blanks (character 32) only: tabs, CR, LF and NUL stay.
std::string Trim(std::string_view s);
std::string LTrim(std::string_view s);
std::string RTrim(std::string_view s);

// InStr: 1-based position of `find` in `s` from `start`, 0 when absent. An empty `find`
// answers `start` (when start <= Len(s)+1). start < 1 raises error 5.
Long InStr(std::string_view s, std::string_view find);
Long InStr(Long start, std::string_view s, std::string_view find);
// InStrRev from the end, 0 when absent (for callers that search backwards).
Long InStrRev(std::string_view s, std::string_view find);

// Mid$: start < 1 or length < 0 raises error 5; a start past the end gives "".
std::string Mid(std::string_view s, Long start);
std::string Mid(std::string_view s, Long start, Long length);
// Left$ and Right$: a negative length raises error 5 (Left$(s, Len(s) - 1) on "" does).
std::string Left(std::string_view s, Long length);
std::string Right(std::string_view s, Long length);

// Case mapping in the active code page (vbrt/code_page.hpp): Ч and ч under 1251, Ÿ and ÿ under 1252.
std::string LCase(std::string_view s);
std::string UCase(std::string_view s);

std::string Space(Long n);
std::string String(Long n, char c);
std::string Chr(int code);

inline const std::string vbCr = "\r";
inline const std::string vbLf = "\n";
inline const std::string vbCrLf = "\r\n";
inline const std::string vbNullChar = std::string(1, '\0');

}  // namespace vb
