// A VB5/VB6 project file (.vbp) as text: its component lines in their order and the lines
// around them, so a rewrite keeps everything else as it was.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vbhost {

// The most a project or group file may hold; real ones hold a few kilobytes.
inline constexpr std::size_t kMaxProjectFileSize = std::size_t{16} << 20;
// The longest line of a project or group file: room for a path of posix::kMaxPathLength and
// the key and name before it.
inline constexpr std::size_t kMaxProjectLine = 262144;

// Text that is no project (or group) file, and where: `line` is 1-based, 0 when the fault is the
// file's as a whole.
class ProjectFileError : public std::runtime_error {
 public:
  ProjectFileError(std::size_t line, const std::string& reason) : std::runtime_error(reason), line_(line) {}
  std::size_t line() const { return line_; }
  // "C:\App\App.vbp:3: a NUL byte", "C:\App\App.vbp: the file is empty".
  std::string Describe(const std::string& file) const;

 private:
  std::size_t line_;
};

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
  // Without line ends. A component line as FormatComponentLine writes it is kept empty.
  std::vector<std::string> lines;
  std::string line_end = "\r\n";
  std::string name;  // Name="..."
  std::vector<ComponentLine> components;
};

// A project file is ANSI text (no NUL, no control character but the tab, no carriage return
// without its line feed, lines within kMaxProjectLine, the last one ended, as the IDE writes
// them) with a Type= line, and before the first [section] only key=value lines and blank ones.
// Anything else raises ProjectFileError.
// `valid` runs once the text is known to be a project file, before the result is built: a
// reader may let go of the file it read before, so that a large project is not held twice.
ProjectFile ParseProjectFile(std::string_view text, const std::function<void()>& valid = {});
// The text again, with `components` written back into their lines.
std::string FormatProjectFile(const ProjectFile& project);
// The component line's text as the IDE writes it.
std::string FormatComponentLine(const ComponentLine& line);
// The component's line as the file has it.
std::string ComponentLineText(const ProjectFile& project, const ComponentLine& line);

// A project group (.vbg): "VBGROUP ..." first, then key=value lines, one of them StartupProject=.
struct ProjectGroup {
  std::string startup;                // as written, relative to the group file
  std::size_t startup_line = 0;       // 1-based
  std::vector<std::string> projects;  // the other projects' paths (Project= lines), as written
};
// Text as ParseProjectFile takes it; raises ProjectFileError otherwise.
ProjectGroup ParseProjectGroup(std::string_view text);

// The value of `Attribute VB_Name = "..."` in a component file's text.
std::optional<std::string> ReadVbName(std::string_view text);

}  // namespace vbhost
