#include "posix/windows_path.hpp"

#include <cctype>
#include <vector>

namespace posix {

bool IsWindowsAbsolute(std::string_view path) {
  return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

std::string CombineWindowsPath(std::string_view base, std::string_view relative) {
  std::string joined =
      IsWindowsAbsolute(relative) ? std::string(relative) : std::string(base) + "\\" + std::string(relative);
  std::string drive = joined.substr(0, 2);
  std::vector<std::string> parts;
  std::string part;
  auto flush = [&] {
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    part.clear();
  };
  for (std::size_t i = 2; i < joined.size(); ++i) {
    char c = joined[i];
    if (c == '\\' || c == '/') {
      flush();
    } else {
      part += c;
    }
  }
  flush();
  std::string out = drive;
  for (const auto& p : parts) out += "\\" + p;
  if (parts.empty()) out += "\\";
  return out;
}

std::string WindowsFolderOf(std::string_view path) {
  auto pos = path.find_last_of("\\/");
  if (pos == std::string_view::npos) return {};
  if (pos == 2 && IsWindowsAbsolute(path)) return std::string(path.substr(0, 3));
  return std::string(path.substr(0, pos));
}

std::string WindowsFileNameOf(std::string_view path) {
  auto pos = path.find_last_of("\\/");
  return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string ExtensionOf(std::string_view name) {
  auto dot = name.rfind('.');
  auto slash = name.rfind('\\');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return std::string(name.substr(dot));
}

std::string WithoutExtension(std::string_view name) {
  auto dot = name.rfind('.');
  return std::string(dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot));
}

}  // namespace posix
