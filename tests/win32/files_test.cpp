// The Win32 layer's paths, profiles, module names and file queries, against Windows' own answers.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/support/vb_error.hpp"
#include "tests/win32/win_temp_folder.hpp"
#include "win32/file_system_win32.hpp"
#include "win32/win32_api.hpp"

namespace {

using testing_support::ErrorOf;
using testing_support::WinTempFolder;

// The text before the NUL a call wrote, checked against the count it answered.
std::string Written(const std::string& buffer, long count) {
  EXPECT_EQ(buffer.find('\0'), static_cast<std::size_t>(count));
  return buffer.substr(0, static_cast<std::size_t>(count));
}

bool IsShortComponent(const std::string& name) {
  auto dot = name.find('.');
  std::string base = name.substr(0, dot), ext = dot == std::string::npos ? "" : name.substr(dot + 1);
  return !base.empty() && base.size() <= 8 && ext.size() <= 3 && ext.find('.') == std::string::npos &&
         name.find(' ') == std::string::npos;
}

TEST(Win32Api, ShortPathNamesAreWindowsOwnAndKeepTheBufferRules) {
  WinTempFolder tmp;
  tmp.MakeDir("A long folder name");
  tmp.Write("A long folder name\\Version history.text", "x");
  tmp.Write("SHORT.TXT", "x");
  win32::Win32Api api;
  std::string temp_short(MAX_PATH, '\0');
  long n = api.GetShortPathNameA(tmp.path(), temp_short, MAX_PATH);
  ASSERT_GT(n, 0);
  temp_short.resize(static_cast<std::size_t>(n));

  // A long name gets an alias of 8.3 components that names the same file; an 8.3 name is its own.
  std::string buffer(MAX_PATH, '\0');
  long count = api.GetShortPathNameA(tmp / "A long folder name\\Version history.text", buffer, MAX_PATH);
  std::string short_path = Written(buffer, count);
  ASSERT_TRUE(short_path.starts_with(temp_short + "\\")) << short_path;
  std::string rest = short_path.substr(temp_short.size() + 1);
  EXPECT_TRUE(IsShortComponent(rest.substr(0, rest.find('\\')))) << rest;
  EXPECT_TRUE(IsShortComponent(rest.substr(rest.find('\\') + 1))) << rest;
  char long_form[MAX_PATH];
  ASSERT_GT(::GetLongPathNameA(short_path.c_str(), long_form, MAX_PATH), 0u);
  EXPECT_EQ(std::string(long_form).substr(std::string(long_form).rfind('\\')), "\\Version history.text");
  count = api.GetShortPathNameA(tmp / "SHORT.TXT", buffer, MAX_PATH);
  EXPECT_EQ(Written(buffer, count), temp_short + "\\SHORT.TXT");

  // Too small a buffer: the size needed, NUL included, and nothing written.
  struct Case {
    std::string path;
    long size;
    long answer;
  };
  const long needed = static_cast<long>(short_path.size()) + 1;
  for (const Case& c : std::vector<Case>{
           {tmp / "A long folder name\\Version history.text", needed - 1, needed},
           {tmp / "A long folder name\\Version history.text", needed, needed - 1},
           {tmp / "Nothing here.txt", MAX_PATH, 0},
       }) {
    std::string small(MAX_PATH, '#');
    EXPECT_EQ(api.GetShortPathNameA(c.path, small, c.size), c.answer) << c.path << " " << c.size;
    if (c.answer != needed - 1) {
      EXPECT_EQ(small, std::string(MAX_PATH, '#')) << c.path;
    }
  }
}

TEST(Win32Api, PrivateProfileStringsGoThroughWindows) {
  WinTempFolder tmp;
  std::string ini = tmp.Write("WNORB.INI", "[Paths]\r\nArchive = \"C:\\Arch\"\r\n; a comment\r\n");
  win32::Win32Api api;
  ASSERT_NE(api.WritePrivateProfileStringA("Settings", "User", "jdoe", ini), 0);
  ASSERT_NE(api.WritePrivateProfileStringA("paths", "Work", "C:\\Work", ini), 0);

  struct Case {
    std::string section, key, default_value;
    long size;
    std::string value;
  };
  for (const Case& c : std::vector<Case>{
           {"Settings", "User", "", 255, "jdoe"},
           {"PATHS", "archive", "", 255, "C:\\Arch"},  // names without regard to case, quotes dropped
           {"Paths", "Work", "", 255, "C:\\Work"},     // added to the existing section
           {"Paths", "Missing", "fallback  ", 255, "fallback"},  // the default's trailing blanks go
           {"Nowhere", "User", "x", 255, "x"},
           {"Settings", "User", "", 3, "jd"},  // cut to size - 1
       }) {
    std::string buffer(255, '\0');
    long count = api.GetPrivateProfileStringA(c.section, c.key, c.default_value, buffer, c.size, ini);
    EXPECT_EQ(Written(buffer, count), c.value) << c.section << "/" << c.key;
  }

  // A read-only file is refused, and stays as it was: where Windows refuses to write it at all
  // (not under Wine run by root, who may write any file; see docs/windows.md).
  ASSERT_TRUE(::SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY));
  HANDLE writable = ::CreateFileA(ini.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (writable != INVALID_HANDLE_VALUE) {
    ::CloseHandle(writable);
    GTEST_SKIP() << "this Windows writes read-only files";
  }
  EXPECT_EQ(api.WritePrivateProfileStringA("Settings", "User", "other", ini), 0);
  std::string buffer(255, '\0');
  EXPECT_EQ(Written(buffer, api.GetPrivateProfileStringA("Settings", "User", "", buffer, 255, ini)), "jdoe");
}

// With a Windows directory of the host's own, a profile file named without a folder is there
// (made for the first write); one named with a folder or a drive stays where it is named.
TEST(Win32Api, AProfileNamedWithoutAFolderLivesInTheHostsWindowsDirectory) {
  WinTempFolder tmp;
  tmp.MakeDir("elsewhere");
  win32::Win32Api api("", tmp / "windows");
  ASSERT_NE(api.WritePrivateProfileStringA("Add-Ins32", "NORBVB5.nvb5VersionControl", "0", "vbaddin.ini"), 0);
  ASSERT_NE(api.WritePrivateProfileStringA("S", "K", "there", tmp / "elsewhere\\vbaddin.ini"), 0);
  std::ifstream in(tmp / "windows\\vbaddin.ini", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
            "[Add-Ins32]\r\nNORBVB5.nvb5VersionControl=0\r\n");
  std::string buffer(255, '\0');
  EXPECT_EQ(Written(buffer, api.GetPrivateProfileStringA("S", "K", "none", buffer, 255, "vbaddin.ini")),
            "none");
  EXPECT_EQ(Written(buffer, api.GetPrivateProfileStringA("Add-Ins32", "NORBVB5.nvb5VersionControl", "none",
                                                         buffer, 255, "vbaddin.ini")),
            "0");
}

TEST(Win32Api, ModuleFileNamesNameTheRunningProgramAndTheAddIn) {
  win32::Win32Api api("C:\\Program Files\\NORBVB5\\NORBVB5.EXE");
  std::string buffer(MAX_PATH, '\0');
  std::string own = Written(buffer, api.GetModuleFileNameA(0, buffer, MAX_PATH));
  for (char& ch : own) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  EXPECT_TRUE(own.ends_with("\\win32_test.exe")) << own;

  // The add-in's name, in any case, has the stand-in handle and the path it was given.
  long handle = api.GetModuleHandleA("norbvb5.exe");
  EXPECT_EQ(handle, win32::Win32Api::kAddInModuleHandle);
  EXPECT_EQ(Written(buffer, api.GetModuleFileNameA(handle, buffer, MAX_PATH)),
            "C:\\Program Files\\NORBVB5\\NORBVB5.EXE");
  EXPECT_EQ(Written(buffer, api.GetModuleFileNameA(handle, buffer, 4)), "C:\\");
  // A loaded module is Windows' own; an unknown one is 0.
  long kernel = api.GetModuleHandleA("KERNEL32.DLL");
  EXPECT_NE(kernel, 0);
  EXPECT_NE(kernel, win32::Win32Api::kAddInModuleHandle);
  std::string kernel_path = Written(buffer, api.GetModuleFileNameA(kernel, buffer, MAX_PATH));
  EXPECT_TRUE(kernel_path.ends_with("kernel32.dll") || kernel_path.ends_with("KERNEL32.DLL")) << kernel_path;
  EXPECT_EQ(api.GetModuleHandleA("NOSUCH.DLL"), 0);
  EXPECT_EQ(win32::Win32Api().GetModuleFileNameA(handle, buffer, MAX_PATH), 0);
}

TEST(FileSystemWin32, DirAndGetAttrReportWhatWindowsKeeps) {
  WinTempFolder tmp;
  tmp.Write("Form1.frm", "x");
  std::string read_only = tmp.Write("Module1.bas", "x");
  std::string hidden = tmp.Write("Hidden.frm", "x");
  tmp.MakeDir("Sub folder");
  ASSERT_TRUE(::SetFileAttributesA(read_only.c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(::SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(::SetFileAttributesA((tmp / "Form1.frm").c_str(), FILE_ATTRIBUTE_ARCHIVE));
  win32::FileSystemWin32 files;

  struct Case {
    std::string path;
    std::string dir;
    int attributes;  // -1: raises 53
  };
  // Wine marks every file for archiving; Windows clears the mark where the attributes are set.
  auto without_archive = [&](const std::string& path, int attributes) {
    return path == tmp / "Form1.frm" || path == tmp / "FORM1.FRM" ? attributes
                                                                  : attributes & ~platform::vbArchive;
  };
  for (const Case& c : std::vector<Case>{
           {tmp / "Form1.frm", "Form1.frm", platform::vbArchive},
           {tmp / "FORM1.FRM", "Form1.frm", platform::vbArchive},  // the name as it is on disk
           {tmp / "Module1.bas", "Module1.bas", platform::vbReadOnly},
           {tmp / "Hidden.frm", "", platform::vbHidden},
           {tmp / "Sub folder", "", platform::vbDirectory},
           {tmp / "Sub folder\\", "", platform::vbDirectory},
           {tmp / "*.bas", "Module1.bas", -1},  // Windows' Dir takes wildcards
           {tmp / "Gone.frm", "", -1},
           {"", "", -1},
       }) {
    EXPECT_EQ(files.Dir(c.path), c.dir) << c.path;
    if (c.attributes < 0) {
      EXPECT_EQ(ErrorOf([&] { files.GetAttr(c.path); }), 53) << c.path;
    } else {
      EXPECT_EQ(without_archive(c.path, files.GetAttr(c.path)), c.attributes) << c.path;
    }
  }
}

}  // namespace
