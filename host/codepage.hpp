// The add-in's world is Windows-1252, as VB5's was (project files are stored in it); scenario
// files and transcripts are UTF-8. These convert at the edges.
#pragma once

#include <string>
#include <string_view>

namespace vbhost {

std::string Cp1252ToUtf8(std::string_view text);
// Characters Windows-1252 cannot hold become "?". Invalid UTF-8 bytes are taken as 1252 already.
std::string Utf8ToCp1252(std::string_view text);

}  // namespace vbhost
