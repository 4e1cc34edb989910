// The Windows path namespace over any path text, against a small tree in a temporary folder: C:
// is the tree, D: a folder inside it and the current directory. Whatever the path, a Windows path
// resolves inside the drive it names. The first byte picks the call; the drive map's own syntax
// is read too.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "posix/drive_map.hpp"
#include "posix/file_ops.hpp"
#include "posix/path_resolver.hpp"
#include "vbrt/error.hpp"

namespace {

std::string root;
posix::PathResolver* resolver = nullptr;

void RemoveTree() { std::filesystem::remove_all(root); }

void Touch(const std::string& path) {
  if (std::FILE* f = std::fopen(path.c_str(), "w")) std::fclose(f);
}

// Inside `folder`, with no "." or ".." left. The path is taken whole: a NUL, which would end it
// for the system, is refused before a path reaches the resolver (by the project loader, the link
// and the engine's command reader).
bool Inside(const std::string& path, const std::string& folder) {
  const std::string& seen = path;
  if (seen != folder && seen.rfind(folder + "/", 0) != 0) return false;
  for (std::size_t slash = seen.find('/'); slash != std::string::npos; slash = seen.find('/', slash + 1)) {
    std::string_view rest = std::string_view(seen).substr(slash + 1);
    std::string_view component = rest.substr(0, rest.find('/'));
    if (component == "." || component == "..") return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::optional<std::string> folder = posix::MakeTempFolder("norb-fuzz-paths-");
  if (!folder) std::abort();
  root = *folder;
  std::atexit(RemoveTree);
  for (const char* dir : {"/Proj", "/Proj/Sub Folder", "/Proj/a,b", "/Long Folder Name"}) {
    posix::MakeFolders(root + dir);
  }
  for (const char* file :
       {"/Proj/FORM1.FRM", "/Proj/Module One.bas", "/Proj/form1.frm", "/Proj/Sub Folder/x.cls",
        "/Long Folder Name/Release Notes.txt", "/Proj/caf\xc3\xa9.frm", "/AUTOEXEC.BAT"}) {
    Touch(root + file);
  }
  if (::chdir((root + "/Proj").c_str()) != 0) std::abort();
  resolver = new posix::PathResolver(posix::DriveMap::Parse("C:=" + root + ";D:=" + root + "/Proj"));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::string_view path(reinterpret_cast<const char*>(data) + 1, size - 1);
  try {
    switch (data[0] % 4) {
      case 0: {
        std::string posix_path = resolver->ToPosix(path);
        bool on_d = path.size() >= 2 && (path[0] == 'D' || path[0] == 'd') && path[1] == ':';
        if (!Inside(posix_path, on_d ? root + "/Proj" : root)) std::abort();
        break;
      }
      case 1:
        resolver->ToWindows(path);
        break;
      case 2:
        resolver->ToShort(path);
        break;
      default:
        posix::DriveMap::Parse(path);
        break;
    }
  } catch (const vb::Error&) {
  } catch (const std::invalid_argument&) {
  }
  return 0;
}
