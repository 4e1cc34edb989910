#include "tests/fakes/fake_win32.hpp"

#include <algorithm>

#include "vbrt/strings.hpp"

namespace fakes {

namespace {

std::vector<std::string> Split(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    auto bar = path.find('\\', start);
    parts.push_back(path.substr(start, bar - start));
    if (bar == std::string::npos) return parts;
    start = bar + 1;
  }
}

std::string Join(const std::vector<std::string>& parts, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += parts[i] + "\\";
  // "C:" alone is the drive's root, "C:\"; any deeper directory has no trailing "\".
  if (count > 1) out.pop_back();
  return out;
}

// A VB string handed to the API has room for its terminator too, so a size one past its length
// is still safe; anything larger would let the call write past the caller's string.
void CheckBuffer(const std::string& buffer, long size, const char* function) {
  if (size < 0 || static_cast<std::size_t>(size) > buffer.size() + 1) {
    RefuseCall(std::string(function) + " was given size " + std::to_string(size) + " for a buffer of " +
               std::to_string(buffer.size()) + " characters");
  }
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const ProfileRead& r) {
  return out << "ProfileRead{" << r.file << " [" << r.section << "] " << r.key << " -> \"" << r.value
             << "\"}";
}

std::ostream& operator<<(std::ostream& out, const ProfileWrite& w) {
  return out << "ProfileWrite{" << w.file << " [" << w.section << "] " << w.key << " = \"" << w.value << "\""
             << (w.ok ? "" : " refused") << "}";
}

void WriteToBuffer(std::string& buffer, long size, std::string_view text, const char* function) {
  CheckBuffer(buffer, size, function);
  buffer.replace(0, text.size(), text);
  if (text.size() < buffer.size()) buffer[text.size()] = '\0';  // else it lands on the terminator
}

void FakeWin32::AddPathEntry(const std::string& long_path, const std::string& short_path, bool inferred) {
  for (const auto& key : {vb::UCase(long_path), vb::UCase(short_path)}) {
    auto it = paths_.find(key);
    if (inferred && it != paths_.end()) continue;
    paths_[key] = PathEntry{short_path, inferred};
  }
}

void FakeWin32::AddShortName(std::string long_path, std::string short_path) {
  auto long_parts = Split(long_path);
  auto short_parts = Split(short_path);
  if (long_parts.size() != short_parts.size()) {
    RefuseCall("short name " + short_path + " does not have the components of " + long_path);
  }
  for (std::size_t i = 1; i < long_parts.size(); ++i) {
    AddPathEntry(Join(long_parts, i), Join(short_parts, i), true);
  }
  AddPathEntry(long_path, short_path, false);
}

void FakeWin32::RemovePath(std::string_view path) {
  auto it = paths_.find(vb::UCase(path));
  if (it == paths_.end()) return;
  auto short_key = vb::UCase(it->second.short_form);
  std::erase_if(paths_, [&](const auto& entry) { return vb::UCase(entry.second.short_form) == short_key; });
}

long FakeWin32::GetModuleHandleA(std::string_view module_name) {
  return vb::UCase(module_name) == "NORBVB5.EXE" ? kModuleHandle : 0;
}

long FakeWin32::GetModuleFileNameA(long module, std::string& buffer, long size) {
  CheckBuffer(buffer, size, "GetModuleFileNameA");
  if (module_failing_ || (module != 0 && module != kModuleHandle) || size == 0) return 0;
  std::string_view text = std::string_view(module_path_).substr(0, static_cast<std::size_t>(size - 1));
  WriteToBuffer(buffer, size, text, "GetModuleFileNameA");
  return static_cast<long>(text.size());
}

long FakeWin32::GetShortPathNameA(std::string_view long_path, std::string& buffer, long size) {
  CheckBuffer(buffer, size, "GetShortPathNameA");
  std::string key = vb::UCase(long_path);
  bool trailing_bar = key.size() > 3 && key.back() == '\\';
  if (trailing_bar) key.pop_back();
  auto it = paths_.find(key);
  if (it == paths_.end()) return 0;
  std::string short_form = it->second.short_form;
  if (trailing_bar) short_form += '\\';
  long needed = static_cast<long>(short_form.size()) + 1;
  if (needed > size) return needed;
  WriteToBuffer(buffer, size, short_form, "GetShortPathNameA");
  return needed - 1;
}

std::string FakeWin32::ProfileKey(std::string_view file) const {
  std::string full(file);
  if (full.find('\\') == std::string::npos) full = windows_dir_ + "\\" + full;
  return vb::UCase(full);
}

void FakeWin32::SetProfile(std::string_view file, std::string_view section, std::string_view key,
                           std::string value) {
  profiles_[ProfileKey(file)].sections[vb::UCase(section)][vb::UCase(key)] = std::move(value);
}

std::optional<std::string> FakeWin32::Profile(std::string_view file, std::string_view section,
                                              std::string_view key) const {
  auto f = profiles_.find(ProfileKey(file));
  if (f == profiles_.end()) return std::nullopt;
  auto s = f->second.sections.find(vb::UCase(section));
  if (s == f->second.sections.end()) return std::nullopt;
  auto k = s->second.find(vb::UCase(key));
  if (k == s->second.end()) return std::nullopt;
  return k->second;
}

void FakeWin32::SetProfileReadOnly(std::string_view file, bool read_only) {
  profiles_[ProfileKey(file)].read_only = read_only;
}

long FakeWin32::GetPrivateProfileStringA(std::string_view section, std::string_view key,
                                         std::string_view default_value, std::string& buffer, long size,
                                         std::string_view file) {
  CheckBuffer(buffer, size, "GetPrivateProfileStringA");
  std::string value = Profile(file, section, key).value_or(std::string(default_value));
  if (size == 0) value.clear();
  if (size > 0 && static_cast<long>(value.size()) > size - 1)
    value.resize(static_cast<std::size_t>(size - 1));
  if (size > 0) WriteToBuffer(buffer, size, value, "GetPrivateProfileStringA");
  reads_.push_back({std::string(file), std::string(section), std::string(key), value});
  return static_cast<long>(value.size());
}

long FakeWin32::WritePrivateProfileStringA(std::string_view section, std::string_view key,
                                           std::string_view value, std::string_view file) {
  auto& profile = profiles_[ProfileKey(file)];
  bool ok = !profile.read_only;
  if (ok) profile.sections[vb::UCase(section)][vb::UCase(key)] = std::string(value);
  writes_.push_back({std::string(file), std::string(section), std::string(key), std::string(value), ok});
  return ok ? 1 : 0;
}

}  // namespace fakes
