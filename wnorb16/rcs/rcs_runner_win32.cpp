// RCS's programs on Windows: a Windows build of GNU RCS in the folder the settings name (or on
// PATH), started with no console window, standard input from NUL and both outputs read whole.
#include <windows.h>

#include <cstring>
#include <thread>

#include "wnorb16/rcs/rcs_runner.hpp"

namespace wnorb16::rcs {

namespace {

// The command line's rules, as the C runtime splits it again: blanks and quotes quoted, and
// backslashes doubled only before a quote.
void AppendQuoted(std::string& line, const std::string& argument) {
  if (!line.empty()) line += ' ';
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
    line += argument;
    return;
  }
  line += '"';
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

bool NamesVariable(std::string_view entry, std::string_view name) {
  if (entry.size() <= name.size() || entry[name.size()] != '=') return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(entry[i])) != name[i]) return false;
  }
  return true;
}

// This process's environment without LOGNAME and RCSINIT, and LOGNAME for the user.
std::string ChildEnvironment(const std::string& user) {
  std::string block;
  if (char* strings = GetEnvironmentStringsA()) {
    for (const char* entry = strings; *entry != '\0'; entry += std::strlen(entry) + 1) {
      std::string_view text = entry;
      if (NamesVariable(text, "LOGNAME") || NamesVariable(text, "RCSINIT")) continue;
      block.append(text).push_back('\0');
    }
    FreeEnvironmentStringsA(strings);
  }
  block.append("LOGNAME=" + user).push_back('\0');
  block.push_back('\0');
  return block;
}

void ReadAll(HANDLE pipe, std::string& sink) {
  char buffer[65536];
  DWORD n = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) && n > 0) sink.append(buffer, n);
}

struct Owned {
  HANDLE handle = nullptr;
  ~Owned() { Close(); }
  void Close() {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    handle = nullptr;
  }
};

}  // namespace

std::string RcsRunner::TextArgument(const std::string& argument) {
  // A Windows build of RCS keeps the bytes it is given: the texts stay in the code page.
  return argument;
}

std::size_t RcsRunner::ArgumentRoom(const std::string&) const {
  // A command line holds at most 32,767 characters; kept free: the program's path and own words.
  constexpr std::size_t kLine = 32767;
  constexpr std::size_t kMargin = 1024;
  const std::size_t taken = kMargin + folder_.size() + 16;
  return kLine > taken ? kLine - taken : 0;
}

RcsResult RcsRunner::Spawn(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& user) const {
  RcsResult result;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  Owned out_read, out_write, err_read, err_write, nul;
  if (!CreatePipe(&out_read.handle, &out_write.handle, &inherit, 0) ||
      !CreatePipe(&err_read.handle, &err_write.handle, &inherit, 0)) {
    return result;
  }
  SetHandleInformation(out_read.handle, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(err_read.handle, HANDLE_FLAG_INHERIT, 0);
  nul.handle = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                           0, nullptr);

  // Without a folder, CreateProcess looks the program up itself (its own folder, the system's, PATH).
  std::string line;
  AppendQuoted(line, folder_.empty() ? program : folder_ + "\\" + program);
  for (std::size_t i = 1; i < arguments.size(); ++i) AppendQuoted(line, arguments[i]);
  std::string environment = ChildEnvironment(user);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nul.handle;
  startup.hStdOutput = out_write.handle;
  startup.hStdError = err_write.handle;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, environment.data(),
                      nullptr, &startup, &process)) {
    result.err = program + ": cannot be started (Windows error " + std::to_string(GetLastError()) + ")\n";
    return result;
  }
  result.started = true;
  CloseHandle(process.hThread);
  out_write.Close();
  err_write.Close();
  nul.Close();
  // Either output may fill while the other is read.
  std::thread errors([&] { ReadAll(err_read.handle, result.err); });
  ReadAll(out_read.handle, result.out);
  errors.join();
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  if (GetExitCodeProcess(process.hProcess, &code)) result.exit_code = static_cast<int>(code);
  CloseHandle(process.hProcess);
  return result;
}

}  // namespace wnorb16::rcs
