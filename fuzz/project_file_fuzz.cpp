// The .vbp and .vbg readers over any bytes: text that is no project is refused with a
// ProjectFileError naming a line of the text, never anything else; a project read, written back
// and read again keeps its component lines where they were; the component files' own reader
// (VB_Name) over the same bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "host/project_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  vbhost::ReadVbName(text);
  // The line a refusal names is one the text has.
  auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  try {
    vbhost::ParseProjectGroup(text);
  } catch (const vbhost::ProjectFileError& e) {
    if (e.line() > lines) std::abort();
  }
  vbhost::ProjectFile project;
  try {
    project = vbhost::ParseProjectFile(text);
  } catch (const vbhost::ProjectFileError& e) {
    if (e.line() > lines) std::abort();
    return 0;
  }
  for (const auto& c : project.components) {
    if (c.line_index >= project.lines.size()) std::abort();
    auto dot = c.path.rfind('.');
    if (dot != std::string::npos) vbhost::CompanionExtension(std::string_view(c.path).substr(dot));
  }
  vbhost::ProjectFile again = vbhost::ParseProjectFile(vbhost::FormatProjectFile(project));
  if (again.components.size() != project.components.size()) std::abort();
  for (std::size_t i = 0; i < project.components.size(); ++i) {
    if (again.components[i].kind != project.components[i].kind ||
        again.components[i].line_index != project.components[i].line_index) {
      std::abort();
    }
  }
  return 0;
}
