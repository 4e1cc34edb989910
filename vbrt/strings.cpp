#include "vbrt/strings.hpp"

#include "vbrt/code_page.hpp"
#include "vbrt/error.hpp"

namespace vb {

Long Len(std::string_view s) { return static_cast<Long>(s.size()); }

std::string LTrim(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  return std::string(s.substr(i));
}

std::string RTrim(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return std::string(s.substr(0, n));
}

std::string Trim(std::string_view s) { return LTrim(RTrim(s)); }

Long InStr(std::string_view s, std::string_view find) { return InStr(1, s, find); }

Long InStr(Long start, std::string_view s, std::string_view find) {
  if (start < 1) Raise(err::InvalidProcedureCall);
  if (s.empty() || start > Len(s)) return 0;
  if (find.empty()) return start;
  auto pos = s.find(find, static_cast<std::size_t>(start - 1));
  return pos == std::string_view::npos ? 0 : static_cast<Long>(pos) + 1;
}

Long InStrRev(std::string_view s, std::string_view find) {
  if (find.empty()) return Len(s);
  auto pos = s.rfind(find);
  return pos == std::string_view::npos ? 0 : static_cast<Long>(pos) + 1;
}

std::string Mid(std::string_view s, Long start) {
  if (start < 1) Raise(err::InvalidProcedureCall);
  if (start > Len(s)) return {};
  return std::string(s.substr(static_cast<std::size_t>(start - 1)));
}

std::string Mid(std::string_view s, Long start, Long length) {
  if (start < 1 || length < 0) Raise(err::InvalidProcedureCall);
  if (start > Len(s)) return {};
  return std::string(s.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(length)));
}

std::string Left(std::string_view s, Long length) {
  if (length < 0) Raise(err::InvalidProcedureCall);
  return std::string(s.substr(0, static_cast<std::size_t>(length)));
}

std::string Right(std::string_view s, Long length) {
  if (length < 0) Raise(err::InvalidProcedureCall);
  if (length >= Len(s)) return std::string(s);
  return std::string(s.substr(s.size() - static_cast<std::size_t>(length)));
}

std::string LCase(std::string_view s) {
  const CodePage& page = ActiveCodePage();
  std::string out(s);
  for (auto& ch : out) ch = page.Lower(ch);
  return out;
}

std::string UCase(std::string_view s) {
  const CodePage& page = ActiveCodePage();
  std::string out(s);
  for (auto& ch : out) ch = page.Upper(ch);
  return out;
}

std::string Space(Long n) { return String(n, ' '); }

std::string String(Long n, char c) {
  if (n < 0) Raise(err::InvalidProcedureCall);
  return std::string(static_cast<std::size_t>(n), c);
}

std::string Chr(int code) {
  if (code < 0 || code > 255) Raise(err::InvalidProcedureCall);
  return std::string(1, static_cast<char>(code));
}

}  // namespace vb
