// The .vbp reader over any bytes: read, written back and read again, the component lines stay
// where they were; the component files' own reader (VB_Name) over the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "host/project_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  vbhost::ProjectFile project = vbhost::ParseProjectFile(text);
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
  vbhost::ReadVbName(text);
  return 0;
}
