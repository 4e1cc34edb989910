// What the add-in takes from the Windows API calls it declares (platform::Win32), checked the same
// way against Windows' own (tests/win32, under Wine) and the POSIX emulation (tests/posix): each
// call's buffer rules, where a profile file lives, the add-in's module. What differs between the
// two (the aliases chosen, the program's own path) the callers check themselves.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>

#include "platform/win32.hpp"

namespace testing_support {

// A test's folder: `windows` is the Windows path the API is given for a path relative to it ("/"
// between names), `native` the path this program's own files take. The API's Windows directory is
// its "windows". `emulated`: the POSIX emulation, which refuses a read-only file even to root.
struct Win32Folder {
  std::function<std::string(const std::string&)> windows, native;
  bool emulated = false;

  std::string Read(const std::string& relative) const {
    std::ifstream in(native(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void Write(const std::string& relative, const std::string& bytes) const {
    std::filesystem::create_directories(std::filesystem::path(native(relative)).parent_path());
    std::ofstream(native(relative), std::ios::binary) << bytes;
  }
};

// The text before the NUL a call wrote, checked against the count it answered.
inline std::string Written(const std::string& buffer, long count) {
  EXPECT_EQ(buffer.find('\0'), static_cast<std::size_t>(count));
  return buffer.substr(0, static_cast<std::size_t>(count));
}

// A file named without a folder lives in the Windows directory (made for the first write), one
// named with a folder where it is named; names compare without case, quotes and a default's
// trailing blanks go, a value is cut to size - 1; a read-only file is refused and stays as it was.
inline void CheckProfileStrings(platform::Win32& api, const Win32Folder& f) {
  f.Write("proj/Local.ini", "[Paths]\r\nArchive = \"C:\\Arch\"\r\n; a comment\r\n");
  EXPECT_NE(api.WritePrivateProfileStringA("Options", "Engine", "C:\\NORB\\", "NORB.INI"), 0);
  EXPECT_NE(api.WritePrivateProfileStringA("options", "LOCK", "1", "norb.ini"), 0);
  EXPECT_NE(api.WritePrivateProfileStringA("paths", "Work", "C:\\Work", f.windows("proj/Local.ini")), 0);
  EXPECT_EQ(f.Read("windows/NORB.INI"), "[Options]\r\nEngine=C:\\NORB\\\r\nLOCK=1\r\n");
  struct Case {
    const char *section, *key, *default_value;
    long size;
    std::string file;
    const char* value;
  };
  for (const Case& c : {
           Case{"OPTIONS", "engine", "", 255, "Norb.Ini", "C:\\NORB\\"},
           Case{"Options", "Nope", "dflt  ", 255, "NORB.INI", "dflt"},
           Case{"Nowhere", "Engine", "x", 255, "NORB.INI", "x"},
           Case{"Options", "Engine", "", 3, "NORB.INI", "C:"},
           Case{"Options", "Engine", "none", 255, "missing.ini", "none"},
           Case{"PATHS", "archive", "", 255, f.windows("PROJ/local.INI"), "C:\\Arch"},
           Case{"Paths", "Work", "", 255, f.windows("proj/Local.ini"), "C:\\Work"},
           Case{"Paths", "Work", "none", 255, "Local.ini", "none"},
       }) {
    std::string buffer(255, '#');
    EXPECT_EQ(Written(buffer, api.GetPrivateProfileStringA(c.section, c.key, c.default_value, buffer, c.size,
                                                           c.file)),
              c.value)
        << c.section << "/" << c.key << " in " << c.file;
  }
  // Cut to the buffer's own length when the size claims more.
  std::string tiny(3, '#');
  EXPECT_EQ(api.GetPrivateProfileStringA("Options", "Engine", "", tiny, 255, "NORB.INI"), 2);
  EXPECT_EQ(tiny, std::string("C:\0", 3));
  EXPECT_EQ(api.WritePrivateProfileStringA("S", "k", "v", f.windows("proj/Local.ini/x.ini")), 0);
  // A read-only file, where the system refuses to write it at all: not Wine run by root, who may
  // write any file (docs/windows.md).
  f.Write("windows/locked.ini", "[S]\r\nk=v\r\n");
  std::filesystem::permissions(f.native("windows/locked.ini"), std::filesystem::perms::owner_read |
                                                                   std::filesystem::perms::group_read |
                                                                   std::filesystem::perms::others_read);
  if (!f.emulated && std::ofstream(f.native("windows/locked.ini"), std::ios::app)) return;
  EXPECT_EQ(api.WritePrivateProfileStringA("S", "k", "changed", "locked.ini"), 0);
  EXPECT_EQ(f.Read("windows/locked.ini"), "[S]\r\nk=v\r\n");
}

// The short form of "x/My File.frm" (made here) and of the folder, whose names the caller checks.
// An 8.3 name is its own; too small a buffer, in the size given or in its own length, answers the
// size needed, NUL included, and nothing is written; a path that is not there answers 0.
inline std::pair<std::string, std::string> CheckShortPathNames(platform::Win32& api, const Win32Folder& f) {
  f.Write("x/My File.frm", "");
  f.Write("SHORT.TXT", "");
  std::string buffer(1024, '#');
  const std::string base = Written(buffer, api.GetShortPathNameA(f.windows(""), buffer, 1024));
  const std::string file = Written(buffer, api.GetShortPathNameA(f.windows("x/My File.frm"), buffer, 1024));
  EXPECT_EQ(Written(buffer, api.GetShortPathNameA(f.windows("SHORT.TXT"), buffer, 1024)),
            base + "\\SHORT.TXT");
  const long needed = static_cast<long>(file.size()) + 1;
  std::string fits(static_cast<std::size_t>(needed) + 1, '#');
  EXPECT_EQ(api.GetShortPathNameA(f.windows("x/My File.frm"), fits, needed), needed - 1);
  EXPECT_EQ(fits, file + '\0' + '#');
  struct Case {
    std::string path;
    std::size_t length;
    long size, answer;
  };
  for (const Case& c :
       {Case{f.windows("x/My File.frm"), 1024, needed - 1, needed},
        Case{f.windows("x/My File.frm"), static_cast<std::size_t>(needed) - 1, needed + 1, needed},
        Case{f.windows("x/Missing File.frm"), 1024, 1024, 0}}) {
    std::string small(c.length, '#');
    EXPECT_EQ(api.GetShortPathNameA(c.path, small, c.size), c.answer) << c.path << " " << c.size;
    EXPECT_EQ(small, std::string(c.length, '#')) << c.path << " " << c.size;
  }
  return {base, file};
}

// The add-in's module, in any case, has a handle and the path it was given for it (here
// C:\opt\norb\NORBVB5.EXE), cut to size - 1; other names are 0. Answers the running program's
// path (module 0), which the caller checks.
inline std::string CheckAddInModule(platform::Win32& api) {
  const long handle = api.GetModuleHandleA("norbvb5.exe");
  EXPECT_NE(handle, 0);
  EXPECT_EQ(api.GetModuleHandleA("NORBVB5.EXE"), handle);
  EXPECT_EQ(api.GetModuleHandleA("NORBVB5"), 0);
  EXPECT_EQ(api.GetModuleHandleA("NOSUCH.DLL"), 0);
  std::string buffer(4096, '#');
  EXPECT_EQ(Written(buffer, api.GetModuleFileNameA(handle, buffer, 4096)), "C:\\opt\\norb\\NORBVB5.EXE");
  buffer.assign(4096, '#');
  EXPECT_EQ(api.GetModuleFileNameA(handle, buffer, 8), 7);
  EXPECT_EQ(buffer.substr(0, 9), std::string("C:\\opt\\") + '\0' + '#');
  return Written(buffer, api.GetModuleFileNameA(0, buffer, 4096));
}

}  // namespace testing_support
