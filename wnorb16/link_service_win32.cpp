// The link over Windows' own DDE: the engine's application as the DDE service "WNORB16", served
// by this thread's message loop. DDEML calls the engine inside DispatchMessage, so a command is
// always done whole before the loop looks for an end request again.
#include <windows.h>

#include <string>

#include "dde/ddeml_server.hpp"
#include "wnorb16/end_signals.hpp"
#include "wnorb16/link_service.hpp"

namespace wnorb16 {

namespace {

// One engine serves a session's link: the second would answer every initiate beside the first.
constexpr char kServingMutex[] = "Local\\WNORB16 link";
// The engine's hidden window: a program that ends others politely (taskkill without /F, a host
// that started the engine) posts WM_CLOSE to their top-level windows; it has no console of its own
// to be told through.
constexpr char kWindowClass[] = "WNORB16 engine";

// Why the loop was asked to end through a message; null while it was not.
const char* message_end = nullptr;

LRESULT CALLBACK EngineWindow(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_CLOSE) {
    message_end = "WM_CLOSE received";
    return 0;
  }
  if (message == WM_ENDSESSION && w != FALSE) {
    message_end = "the session ends";
    return 0;
  }
  return ::DefWindowProcA(window, message, w, l);
}

class HiddenWindow {
 public:
  HiddenWindow() {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = EngineWindow;
    window_class.hInstance = ::GetModuleHandleA(nullptr);
    window_class.lpszClassName = kWindowClass;
    ::RegisterClassA(&window_class);
    window_ = ::CreateWindowExA(0, kWindowClass, "WNORB16", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                window_class.hInstance, nullptr);
  }
  ~HiddenWindow() {
    if (window_ != nullptr) ::DestroyWindow(window_);
  }
  HiddenWindow(const HiddenWindow&) = delete;
  HiddenWindow& operator=(const HiddenWindow&) = delete;

 private:
  HWND window_;
};

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (handle_ != nullptr) ::CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// Dispatches the messages that wait, one at a time, until an end is asked for; the reason then.
const char* DispatchWaiting() {
  MSG message;
  while (message_end == nullptr && EndSignalCaught() == 0 &&
         ::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) return "WM_QUIT received";
    // WM_CLOSE posted to the thread itself, as to a program without windows.
    if (message.message == WM_CLOSE && message.hwnd == nullptr) return "WM_CLOSE received";
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return message_end;
}

// Waits for messages, an end request or (when `terminal`) a typed line; false when the wait failed.
bool Wait(TerminalInput* terminal, bool messages) {
  HANDLE handles[2] = {EndSignalEvent()};
  DWORD count = handles[0] != nullptr ? 1 : 0;
  if (terminal != nullptr) handles[count++] = terminal->ready_event();
  const DWORD woke =
      messages ? ::MsgWaitForMultipleObjectsEx(count, handles, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE)
               : ::WaitForMultipleObjects(count, handles, FALSE, INFINITE);
  return woke != WAIT_FAILED;
}

}  // namespace

LinkResult ServeLink(EngineServer& server, const std::string&, Console* console, TerminalInput* terminal,
                     const LinkLimits& limits, StatusLog*) {
  server.SetAnswerLimit(limits.answer);
  Handle serving(::CreateMutexA(nullptr, TRUE, kServingMutex));
  if (serving.get() != nullptr && ::GetLastError() == ERROR_ALREADY_EXISTS)
    return {LinkOutcome::kAlreadyServed, "another engine serves WNORB16"};
  std::unique_ptr<dde::DdemlServer> dde;
  try {
    dde = std::make_unique<dde::DdemlServer>(server.application());
  } catch (const std::exception& e) {
    return {LinkOutcome::kNoBus, e.what()};
  }
  HiddenWindow window;
  if (console != nullptr) console->Prompt();
  while (true) {
    if (int request = EndSignalCaught()) return {LinkOutcome::kSignalled, EndSignalText(request)};
    if (const char* why = DispatchWaiting()) return {LinkOutcome::kSignalled, why};
    if (EndSignalCaught() != 0) continue;
    if (terminal != nullptr && console != nullptr && ::WaitForSingleObject(terminal->ready_event(), 0) == 0) {
      if (!TakeTypedLine(*console, *terminal)) return {LinkOutcome::kEnded, ""};
      continue;
    }
    if (!Wait(terminal, true)) return {LinkOutcome::kLost, "waiting for messages failed"};
  }
}

void ServeTerminal(Console& console, TerminalInput& terminal) {
  console.Prompt();
  while (EndSignalCaught() == 0) {
    if (::WaitForSingleObject(terminal.ready_event(), 0) == 0) {
      if (!TakeTypedLine(console, terminal)) return;
      continue;
    }
    if (!Wait(&terminal, false)) return;
  }
}

std::string LinkHelp() {
  return "the DDE link \"WNORB16\" (Windows' DDE). Started alone in a\n"
         "console it is the interactive engine: it shows each status and takes the same commands typed;\n"
         "started alone without a console it serves like -L. While it serves, every command and its\n"
         "status go to WNORB.LOG beside WNORB.INI. WNORB.INI is read from %APPDATA%\\norbvb5 when it is\n"
         "there, else from beside the executable. WM_CLOSE (to its hidden window or its main thread) or\n"
         "WM_QUIT ends it between commands, as Ctrl+C and closing its console do.";
}

std::string BusAddressProblem(const std::string& bus_address) {
  if (bus_address.empty()) return "";
  return "--bus names a D-Bus address; the engine on Windows serves Windows' DDE and takes none";
}

}  // namespace wnorb16
