#include "host/project_file.hpp"

#include <algorithm>
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

std::string ProjectFileError::Describe(const std::string& file) const {
  return file + (line_ == 0 ? std::string() : ":" + std::to_string(line_)) + ": " + what();
}

namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && vb::LCase(text.substr(0, prefix.size())) == vb::LCase(prefix);
}

std::string Hex(unsigned char c) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string("0x") + kDigits[c >> 4] + kDigits[c & 15];
}

// The lines of a project or group file, without their ends; ProjectFileError for text that is
// none. One pass, so the cost is linear in the text.
std::vector<std::string_view> SplitLines(std::string_view text, std::string& line_end) {
  if (text.empty()) throw ProjectFileError(0, "the file is empty");
  if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
    throw ProjectFileError(0, "UTF-16 text; project files are ANSI text");
  }
  line_end = text.find("\r\n") == std::string_view::npos && text.find('\n') != std::string_view::npos
                 ? "\n"
                 : "\r\n";
  std::vector<std::string_view> lines;
  lines.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t number = lines.size() + 1;
    std::size_t end = text.find('\n', start);
    std::string_view line =
        text.substr(start, end == std::string_view::npos ? text.size() - start : end - start);
    if (end != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > kMaxProjectLine) {
      throw ProjectFileError(number, "longer than " + std::to_string(kMaxProjectLine) + " characters");
    }
    for (char ch : line) {
      auto c = static_cast<unsigned char>(ch);
      if (c >= 0x20 || c == '\t') continue;
      if (c == 0) throw ProjectFileError(number, "a NUL byte");
      if (c == '\r') throw ProjectFileError(number, "a carriage return without a line feed");
      throw ProjectFileError(number, "a control character (" + Hex(c) + ")");
    }
    if (end == std::string_view::npos) throw ProjectFileError(number, "no line end: the file is cut short");
    lines.emplace_back(line);
    start = end + 1;
  }
  return lines;
}

bool IsBlank(std::string_view line) { return vb::Trim(line).empty(); }
bool IsSection(std::string_view line) { return !line.empty() && line.front() == '['; }
// "key=value" with a key of something but blanks.
bool IsKeyValue(std::string_view line) {
  auto eq = line.find('=');
  return eq != std::string_view::npos && !vb::Trim(line.substr(0, eq)).empty();
}

}  // namespace

ProjectFile ParseProjectFile(std::string_view text, const std::function<void()>& valid) {
  ProjectFile project;
  // Views into the text: a line is copied only when FormatComponentLine cannot give it again, so
  // the parse of a project of many thousand components holds its lines once, in the text.
  const std::vector<std::string_view> lines = SplitLines(text, project.line_end);
  if (StartsWithIgnoringCase(lines.front(), "VBGROUP")) {
    throw ProjectFileError(1, "a project group, not a project");
  }
  // Every refusal comes before anything is built.
  bool typed = false;
  for (std::size_t i = 0; i < lines.size() && !IsSection(lines[i]); ++i) {
    if (IsBlank(lines[i])) continue;
    if (!IsKeyValue(lines[i])) throw ProjectFileError(i + 1, "not a key=value line");
    typed = typed || vb::LCase(vb::Trim(lines[i].substr(0, lines[i].find('=')))) == "type";
  }
  if (!typed) throw ProjectFileError(0, "no Type= line: not a project file");
  if (valid) valid();

  project.lines.resize(lines.size());
  // Most lines of a large project are component lines.
  project.components.reserve(lines.size());
  bool in_section = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    auto keep = [&] { project.lines[i] = std::string(line); };
    if (IsSection(line)) in_section = true;  // other tools' settings follow, in their own shapes
    if (in_section || IsBlank(line)) {
      keep();
      continue;
    }
    auto eq = line.find('=');
    std::string key = vb::Trim(line.substr(0, eq));
    std::string value(line.substr(eq + 1));
    const KindInfo* info = InfoByKey(key);
    if (!info) keep();
    if (vb::LCase(key) == "name") {
      project.name = Unquote(value);
      continue;
    }
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
    // A line as the IDE writes it is given again by FormatComponentLine, so a project of many
    // thousand components keeps its paths once.
    if (FormatComponentLine(c) != line) keep();
    project.components.push_back(std::move(c));
  }
  // Kept as long as the project is open; a few slots spare cost less than a second copy.
  if (project.components.capacity() - project.components.size() > project.components.size() / 8)
    project.components.shrink_to_fit();
  return project;
}

ProjectGroup ParseProjectGroup(std::string_view text) {
  std::string line_end;
  const std::vector<std::string_view> lines = SplitLines(text, line_end);
  if (!StartsWithIgnoringCase(lines.front(), "VBGROUP ")) throw ProjectFileError(1, "not a project group");
  ProjectGroup group;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (IsBlank(line)) continue;
    if (!IsKeyValue(line)) throw ProjectFileError(i + 1, "not a key=value line");
    auto eq = line.find('=');
    std::string key = vb::LCase(vb::Trim(line.substr(0, eq)));
    std::string value = Unquote(line.substr(eq + 1));
    if (key == "startupproject" && group.startup_line == 0) {
      group.startup = value;
      group.startup_line = i + 1;
    } else if (key == "project") {
      group.projects.push_back(value);
    }
  }
  if (group.startup_line == 0) throw ProjectFileError(0, "no StartupProject= line");
  if (group.startup.empty()) {
    throw ProjectFileError(group.startup_line, "no startup project after StartupProject=");
  }
  return group;
}

std::string FormatComponentLine(const ComponentLine& line) {
  std::string key(ProjectKey(line.kind));
  if (line.kind == ComponentKind::ResourceFile) return key + "=\"" + line.path + "\"";
  if (!line.declared_name.empty()) return key + "=" + line.declared_name + "; " + line.path;
  return key + "=" + line.path;
}

std::string ComponentLineText(const ProjectFile& project, const ComponentLine& line) {
  const std::string& text = project.lines.at(line.line_index);
  return text.empty() ? FormatComponentLine(line) : text;
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
    std::string_view line =
        text.substr(start, end == std::string_view::npos ? text.size() - start : end - start);
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
