// Debian's RCS for the Windows engine's tests under Wine: copied as co.exe, ci.exe, rcs.exe,
// rlog.exe and rcsdiff.exe, it runs /usr/bin/<its own name> (Wine starts Linux programs) with
// each argument that is a Windows path ("C:/...", "C:\...") turned into the Linux path Wine keeps
// it at, as winepath -u does, and answers the program's exit code. Its standard handles are the
// engine's pipes, which the Linux program inherits. A test tool only: on Windows the engine runs
// a Windows build of RCS itself. NORB_TEST_RCS_SLEEP_MS=<ms> makes each run wait that long first.
//
// Wine gives no handle to wait on for a Linux program it starts, nor its exit code, and does not
// hand it this process's pipes. So the program runs under a shell that sends its output and error
// to files and then writes its exit code to a third, made whole by a rename; the wrapper waits for
// that file, passes the output and error on as its own, and removes the three.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "posix/whole_file.hpp"

namespace {

using UnixName = char*(CDECL*)(const WCHAR*);

bool IsWindowsPath(const std::string& argument) {
  return argument.size() >= 3 && std::isalpha(static_cast<unsigned char>(argument[0])) &&
         argument[1] == ':' && (argument[2] == '/' || argument[2] == '\\');
}

// The Linux path of a Windows one, from the call winepath makes; the argument itself otherwise.
std::string LinuxPath(UnixName unix_name, const std::string& path) {
  std::wstring wide(path.size() + 1, L'\0');
  int n = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  if (n <= 0) return path;
  char* converted = unix_name(wide.c_str());
  if (converted == nullptr) return path;
  std::string linux_path = converted;
  HeapFree(GetProcessHeap(), 0, converted);
  return linux_path;
}

void AppendQuoted(std::string& line, const std::string& argument) {
  line += " \"";
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, '\\');
  line += '"';
}

// The program's output with the paths it was given named as the engine gave them, as a Windows
// build of RCS names them.
void PassOn(const std::string& path, const std::vector<std::pair<std::string, std::string>>& converted,
            HANDLE to) {
  std::string bytes = posix::ReadWholeFile(path).value_or("");
  for (const auto& [linux_path, given] : converted) {
    for (auto at = bytes.find(linux_path); at != std::string::npos;
         at = bytes.find(linux_path, at + given.size())) {
      bytes.replace(at, linux_path.size(), given);
    }
  }
  DWORD written = 0;
  for (std::size_t done = 0; done < bytes.size(); done += written) {
    if (!WriteFile(to, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr))
      return;
  }
}

}  // namespace

int main(int argc, char** argv) {
  char own[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, own, sizeof own);
  std::string tool(own, length);
  tool = tool.substr(tool.find_last_of("\\/") + 1);
  if (auto dot = tool.rfind('.'); dot != std::string::npos) tool.resize(dot);
  auto unix_name = reinterpret_cast<UnixName>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
  if (unix_name == nullptr) {
    std::fprintf(stderr, "%s: runs only under Wine\n", tool.c_str());
    return 2;
  }
  // A hung engine, for the link's time-out: the run first waits as an RCS stuck on a share would.
  if (const char* wait = std::getenv("NORB_TEST_RCS_SLEEP_MS"); wait != nullptr)
    Sleep(static_cast<DWORD>(std::atoi(wait)));
  char temp[MAX_PATH];
  DWORD temp_length = GetTempPathA(sizeof temp, temp);
  if (temp_length == 0 || temp_length > MAX_PATH) return 2;
  const std::string base =
      std::string(temp, temp_length) + "rcs_under_wine-" + std::to_string(GetCurrentProcessId());
  const std::string out = base + ".out", err = base + ".err", code = base + ".code";
  const std::string unix_base = LinuxPath(unix_name, base);
  // sh -c 'program "$@" </dev/null >B.out 2>B.err; echo $? >B.new; mv B.new B.code' program arguments...
  std::string line = "/bin/sh -c \"/usr/bin/" + tool + " \\\"$@\\\" </dev/null >'" + unix_base + ".out' 2>'" +
                     unix_base + ".err'; echo $? >'" + unix_base + ".new'; mv '" + unix_base + ".new' '" +
                     unix_base + ".code'\" " + tool;
  std::vector<std::pair<std::string, std::string>> converted;  // (Linux path, as given)
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (IsWindowsPath(argument)) converted.emplace_back(LinuxPath(unix_name, argument), argument);
    AppendQuoted(line, IsWindowsPath(argument) ? converted.back().first : argument);
  }
  // Longest first, so a path is never replaced by the start of another's.
  std::sort(converted.begin(), converted.end(),
            [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    std::fprintf(stderr, "%s: /usr/bin/%s cannot be started (Windows error %lu)\n", tool.c_str(),
                 tool.c_str(), GetLastError());
    return 2;
  }
  if (process.hThread != nullptr) CloseHandle(process.hThread);
  if (process.hProcess != nullptr) CloseHandle(process.hProcess);
  // RCS's runs take milliseconds; a minute means the shell never ran.
  for (int waited = 0; GetFileAttributesA(code.c_str()) == INVALID_FILE_ATTRIBUTES; ++waited) {
    if (waited == 60000) {
      std::fprintf(stderr, "%s: /usr/bin/%s ended without an exit code\n", tool.c_str(), tool.c_str());
      return 2;
    }
    Sleep(1);
  }
  PassOn(out, converted, GetStdHandle(STD_OUTPUT_HANDLE));
  PassOn(err, converted, GetStdHandle(STD_ERROR_HANDLE));
  const int exit_code = std::atoi(posix::ReadWholeFile(code).value_or("").c_str());
  for (const std::string& file : {out, err, code}) DeleteFileA(file.c_str());
  return exit_code;
}
