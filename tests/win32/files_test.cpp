// The Win32 layer's paths, profiles, module names and file queries, against Windows' own answers.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "posix/short_names.hpp"
#include "tests/support/vb_error.hpp"
#include "tests/support/win32_contract.hpp"
#include "tests/win32/win_temp_folder.hpp"
#include "win32/file_system_win32.hpp"
#include "win32/win32_api.hpp"

namespace {

using testing_support::ErrorOf;
using testing_support::WinTempFolder;

// The calls keep Windows' rules, as the POSIX emulation does (tests/support/win32_contract.hpp):
// here Windows answers them, with its own aliases. A profile file named without a folder lives
// in the host's own Windows directory.
TEST(Win32Api, TheCallsAreWindowsOwnAndKeepItsRules) {
  WinTempFolder tmp;
  auto windows = [&](std::string relative) {
    for (char& c : relative) c = c == '/' ? '\\' : c;
    return relative.empty() ? tmp.path() : tmp / relative;
  };
  const testing_support::Win32Folder folder{windows, windows};
  win32::Win32Api api("C:\\opt\\norb\\NORBVB5.EXE", tmp / "windows");
  testing_support::CheckProfileStrings(api, folder);

  // An alias of 8.3 names that leads back to the file.
  const auto [base, file] = testing_support::CheckShortPathNames(api, folder);
  ASSERT_TRUE(file.starts_with(base + "\\")) << file;
  const std::string rest = file.substr(base.size() + 1);
  EXPECT_TRUE(posix::IsValidShortName(rest.substr(0, rest.find('\\')))) << rest;
  EXPECT_TRUE(posix::IsValidShortName(rest.substr(rest.find('\\') + 1))) << rest;
  char long_form[MAX_PATH];
  ASSERT_GT(::GetLongPathNameA(file.c_str(), long_form, MAX_PATH), 0u);
  EXPECT_TRUE(std::string(long_form).ends_with("\\x\\My File.frm")) << long_form;

  std::string own = testing_support::CheckAddInModule(api);
  for (char& ch : own) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  EXPECT_TRUE(own.ends_with("\\win32_test.exe")) << own;
  // A loaded module is Windows' own; the add-in's name has the stand-in handle, and no path
  // until one is given.
  EXPECT_EQ(api.GetModuleHandleA("norbvb5.exe"), win32::Win32Api::kAddInModuleHandle);
  // Neither 0 nor the add-in's handle, whose paths the ending tells apart.
  long kernel = api.GetModuleHandleA("KERNEL32.DLL");
  std::string buffer(MAX_PATH, '\0');
  std::string kernel_path =
      testing_support::Written(buffer, api.GetModuleFileNameA(kernel, buffer, MAX_PATH));
  EXPECT_TRUE(kernel_path.ends_with("kernel32.dll") || kernel_path.ends_with("KERNEL32.DLL")) << kernel_path;
  EXPECT_EQ(win32::Win32Api().GetModuleFileNameA(win32::Win32Api::kAddInModuleHandle, buffer, MAX_PATH), 0);
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

  // Wine marks every file for archiving; Windows clears the mark where the attributes are set.
  auto without_archive = [&](const std::string& path, int attributes) {
    return path == tmp / "Form1.frm" || path == tmp / "FORM1.FRM" ? attributes
                                                                  : attributes & ~platform::vbArchive;
  };
  // The path, what Dir answers, the attributes (-1: GetAttr raises 53).
  for (const auto& [path, dir, attributes] : std::vector<std::tuple<std::string, std::string, int>>{
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
    EXPECT_EQ(files.Dir(path), dir) << path;
    if (attributes < 0) {
      EXPECT_EQ(ErrorOf([&] { files.GetAttr(path); }), 53) << path;
    } else {
      EXPECT_EQ(without_archive(path, files.GetAttr(path)), attributes) << path;
    }
  }
}

}  // namespace
