// A VB5/VB6 project file (.vbp) as text: its component lines in their order and the lines
// around them, so a rewrite keeps everything else as it was.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vbhost {

enum class ComponentKind {
  Form,
  Module,
  Class,
  UserControl,
  PropertyPage,
  Designer,
  UserDocument,
  RelatedDocument,
  ResourceFile,
};

// The key that introduces the kind in a project file ("Form", "RelatedDoc", ...).
std::string_view ProjectKey(ComponentKind kind);
// Where the component's name comes from: the file's VB_Name attribute, the project line, or
// the file's own name.
enum class NameSource { Attribute, ProjectLine, FileName };
NameSource NameSourceOf(ComponentKind kind);
// The companion file's extension for a kind whose designer keeps binary data beside the text
// (".frx" for a form), given the main file's extension; empty when there is none.
std::string CompanionExtension(std::string_view extension);

struct ComponentLine {
  ComponentKind kind;
  std::string declared_name;  // "modGlobals" in "Module=modGlobals; modGlobals.bas"
  std::string path;           // as written, relative to the project file, backslashes
  std::size_t line_index;     // into ProjectFile::lines
};

struct ProjectFile {
  std::vector<std::string> lines;  // without line ends
  std::string line_end = "\r\n";
  std::string name;                // Name="..."
  std::vector<ComponentLine> components;
};

ProjectFile ParseProjectFile(std::string_view text);
// The text again, with `components` written back into their lines.
std::string FormatProjectFile(const ProjectFile& project);
// The component line's text as the IDE writes it.
std::string FormatComponentLine(const ComponentLine& line);

// The value of `Attribute VB_Name = "..."` in a component file's text.
std::optional<std::string> ReadVbName(std::string_view text);

}  // namespace vbhost
