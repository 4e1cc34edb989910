#include "host/project_file.hpp"

#include <array>
#include <utility>

#include "vbrt/strings.hpp"

namespace vbhost {

namespace {
struct KindInfo {
  ComponentKind kind;
  std::string_view key;
  NameSource name_source;
};
constexpr std::array<KindInfo, 9> kKinds = {{
    {ComponentKind::Form, "Form", NameSource::Attribute},
    {ComponentKind::Module, "Module", NameSource::ProjectLine},
    {ComponentKind::Class, "Class", NameSource::Attribute},
    {ComponentKind::UserControl, "UserControl", NameSource::Attribute},
    {ComponentKind::PropertyPage, "PropertyPage", NameSource::Attribute},
    {ComponentKind::Designer, "Designer", NameSource::Attribute},
    {ComponentKind::UserDocument, "UserDocument", NameSource::Attribute},
    {ComponentKind::RelatedDocument, "RelatedDoc", NameSource::FileName},
    {ComponentKind::ResourceFile, "ResFile32", NameSource::FileName},
}};

const KindInfo* InfoByKey(std::string_view key) {
  for (const auto& k : kKinds) {
    if (vb::LCase(k.key) == vb::LCase(key)) return &k;
  }
  return nullptr;
}

const KindInfo& InfoOf(ComponentKind kind) {
  for (const auto& k : kKinds) {
    if (k.kind == kind) return k;
  }
  return kKinds[0];
}

std::string Unquote(std::string_view v) {
  std::string t = vb::Trim(v);
  if (t.size() >= 2 && t.front() == '"' && t.back() == '"') return t.substr(1, t.size() - 2);
  return t;
}
}  // namespace

std::string_view ProjectKey(ComponentKind kind) { return InfoOf(kind).key; }
NameSource NameSourceOf(ComponentKind kind) { return InfoOf(kind).name_source; }

std::string CompanionExtension(std::string_view extension) {
  static constexpr std::pair<std::string_view, std::string_view> kCompanions[] = {
      {".frm", ".frx"}, {".ctl", ".ctx"}, {".pag", ".pgx"}, {".dsr", ".dsx"}, {".dob", ".dox"}};
  std::string ext = vb::LCase(extension);
  for (auto [main, companion] : kCompanions) {
    if (ext == main) return std::string(companion);
  }
  return {};
}

ProjectFile ParseProjectFile(std::string_view text) {
  ProjectFile project;
  if (text.find("\r\n") == std::string_view::npos && text.find('\n') != std::string_view::npos) {
    project.line_end = "\n";
  }
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    std::string_view line = text.substr(start, end == std::string_view::npos ? text.size() - start : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    project.lines.emplace_back(line);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }

  bool in_section = false;
  for (std::size_t i = 0; i < project.lines.size(); ++i) {
    const std::string& line = project.lines[i];
    if (!line.empty() && line.front() == '[') in_section = true;  // other tools' settings follow
    if (in_section) continue;
    auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = vb::Trim(line.substr(0, eq));
    std::string value = line.substr(eq + 1);
    if (vb::LCase(key) == "name") {
      project.name = Unquote(value);
      continue;
    }
    const KindInfo* info = InfoByKey(key);
    if (!info) continue;
    ComponentLine c{info->kind, {}, {}, i};
    auto semi = value.find(';');
    if (semi != std::string::npos && info->kind != ComponentKind::RelatedDocument &&
        info->kind != ComponentKind::ResourceFile) {
      c.declared_name = vb::Trim(value.substr(0, semi));
      c.path = Unquote(value.substr(semi + 1));
    } else {
      c.path = Unquote(value);
    }
    project.components.push_back(std::move(c));
  }
  return project;
}

std::string FormatComponentLine(const ComponentLine& line) {
  std::string key(ProjectKey(line.kind));
  if (line.kind == ComponentKind::ResourceFile) return key + "=\"" + line.path + "\"";
  if (!line.declared_name.empty()) return key + "=" + line.declared_name + "; " + line.path;
  return key + "=" + line.path;
}

std::string FormatProjectFile(const ProjectFile& project) {
  std::vector<std::string> lines = project.lines;
  for (const auto& c : project.components) {
    if (c.line_index < lines.size()) lines[c.line_index] = FormatComponentLine(c);
  }
  std::string out;
  for (const auto& l : lines) out += l + project.line_end;
  return out;
}

std::optional<std::string> ReadVbName(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    std::string_view line = text.substr(start, end == std::string_view::npos ? text.size() - start : end - start);
    std::string t = vb::Trim(line);
    if (!t.empty() && t.back() == '\r') t.pop_back();
    if (vb::LCase(t).rfind("attribute vb_name", 0) == 0) {
      auto eq = t.find('=');
      if (eq != std::string::npos) return Unquote(t.substr(eq + 1));
    }
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return std::nullopt;
}

}  // namespace vbhost
