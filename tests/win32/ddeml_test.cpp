// The link's protocol over Windows' own DDE, against a DDEML server on a thread of its own, and
// VB's numbers from what DDEML reports.
#include <gtest/gtest.h>
#include <windows.h>
// windows.h first: ddeml.h needs its types.
#include <ddeml.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "dde/ddeml_transport.hpp"
#include "tests/support/vb_error.hpp"

namespace {

using testing_support::ErrorOf;

// A server for service WNORB16, topics frmCmd and frmMain, item txtStatus on frmCmd: an execute
// sets txtStatus to the command and tells the advised clients before it answers; "refuse" is not processed,
// "hang" answers after the client has given up.
class Server {
 public:
  Server() {
    thread_ = std::thread([this] { Run(); });
    while (!ready_) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ~Server() { Stop(); }
  // Ends the server: its conversations end with it.
  void Stop() {
    if (!thread_.joinable()) return;
    ::PostThreadMessageA(thread_id_, WM_QUIT, 0, 0);
    thread_.join();
  }

 private:
  static HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ hsz1, HSZ hsz2, HDDEDATA data, ULONG_PTR,
                                    ULONG_PTR) {
    Server& s = *self_;
    switch (type) {
      case XTYP_CONNECT:
        return reinterpret_cast<HDDEDATA>(::DdeCmpStringHandles(hsz1, s.topic_) == 0 ||
                                          ::DdeCmpStringHandles(hsz1, s.main_) == 0);
      case XTYP_EXECUTE: {
        char command[256] = {};
        ::DdeGetData(data, reinterpret_cast<LPBYTE>(command), sizeof command - 1, 0);
        if (std::string(command) == "refuse") return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
        if (std::string(command) == "hang") std::this_thread::sleep_for(std::chrono::milliseconds(600));
        s.status_ = command;
        ::DdePostAdvise(s.instance_, s.topic_, s.item_);
        return reinterpret_cast<HDDEDATA>(DDE_FACK);
      }
      case XTYP_ADVSTART:
        return reinterpret_cast<HDDEDATA>(::DdeCmpStringHandles(hsz2, s.item_) == 0);
      case XTYP_REQUEST:
      case XTYP_ADVREQ:
        if (::DdeCmpStringHandles(hsz2, s.item_) != 0) return nullptr;
        return ::DdeCreateDataHandle(s.instance_, reinterpret_cast<LPBYTE>(s.status_.data()),
                                     static_cast<DWORD>(s.status_.size() + 1), 0, s.item_, CF_TEXT, 0);
      default:
        return nullptr;
    }
  }

  void Run() {
    thread_id_ = ::GetCurrentThreadId();
    self_ = this;
    ::DdeInitializeA(&instance_, Callback, APPCLASS_STANDARD | CBF_SKIP_ALLNOTIFICATIONS, 0);
    HSZ service = ::DdeCreateStringHandleA(instance_, "WNORB16", CP_WINANSI);
    topic_ = ::DdeCreateStringHandleA(instance_, "frmCmd", CP_WINANSI);
    item_ = ::DdeCreateStringHandleA(instance_, "txtStatus", CP_WINANSI);
    main_ = ::DdeCreateStringHandleA(instance_, "frmMain", CP_WINANSI);
    ::DdeNameService(instance_, service, nullptr, DNS_REGISTER);
    MSG message;
    ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue, before ready
    ready_ = true;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) ::DispatchMessageA(&message);
    ::DdeNameService(instance_, service, nullptr, DNS_UNREGISTER);
    for (HSZ h : {service, topic_, item_, main_}) ::DdeFreeStringHandle(instance_, h);
    ::DdeUninitialize(instance_);
  }

  static inline Server* self_ = nullptr;
  std::thread thread_;
  DWORD thread_id_ = 0;
  std::atomic<bool> ready_ = false;
  DWORD instance_ = 0;
  HSZ topic_ = nullptr, item_ = nullptr, main_ = nullptr;
  std::string status_ = "ready";
};

TEST(Ddeml, ExecuteRequestAndAdviseOverDdeml) {
  Server server;
  dde::DdemlTransport transport(std::chrono::milliseconds(300));
  auto conversation = transport.Initiate("WNORB16", "frmCmd");
  std::vector<std::string> told;
  EXPECT_EQ(conversation->Advise("txtStatus", [&](const std::string& value) { told.push_back(value); }),
            "ready");
  // The execute on another topic, as the add-in's command link: Wine's DDEML ends a conversation's
  // synchronous execute at the advise data that comes on it (docs/windows.md).
  transport.Initiate("WNORB16", "frmMain")->Execute("G2LOCKING");
  // The change comes, once.
  for (int i = 0; i < 100 && told.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    transport.Pump();
  }
  EXPECT_EQ(told, std::vector<std::string>{"G2LOCKING"});
  EXPECT_EQ(conversation->Request("txtStatus"), "G2LOCKING");
}

TEST(Ddeml, VbNumbersFromWhatDdemlReports) {
  dde::DdemlTransport transport(std::chrono::milliseconds(300));
  EXPECT_EQ(ErrorOf([&] { transport.Initiate("WNORB16", "frmCmd"); }), 282);  // no server
  Server server;
  EXPECT_EQ(ErrorOf([&] { transport.Initiate("WNORB16", "frmNone"); }), 282);  // no such topic
  auto conversation = transport.Initiate("WNORB16", "frmCmd");
  EXPECT_EQ(ErrorOf([&] { conversation->Execute("refuse"); }), 285);
  EXPECT_EQ(ErrorOf([&] { conversation->Request("txtNone"); }), 285);
  EXPECT_EQ(ErrorOf([&] { conversation->Execute("hang"); }), 286);
  server.Stop();
  EXPECT_EQ(ErrorOf([&] { conversation->Execute("G2LOCKING"); }), 291);
}

// After a launch an initiate waits for the launched server, and says so; without a launch, or
// once the launch's window has passed, it fails at once.
TEST(Ddeml, AnInitiateWaitsForALaunchedServerOnlyAfterALaunch) {
  dde::DdemlTransport transport(std::chrono::milliseconds(300), std::chrono::milliseconds(1500));
  std::vector<std::string> awaited;
  transport.OnAwait([&](std::string_view application) { awaited.emplace_back(application); });
  EXPECT_EQ(ErrorOf([&] { transport.Initiate("WNORB16", "frmCmd"); }), 282);
  EXPECT_TRUE(awaited.empty());

  transport.ServerLaunched();
  std::unique_ptr<Server> server;
  std::thread starter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    server = std::make_unique<Server>();
  });
  auto conversation = transport.Initiate("WNORB16", "frmCmd");
  starter.join();
  EXPECT_EQ(conversation->Request("txtStatus"), "ready");
  EXPECT_EQ(awaited, std::vector<std::string>{"WNORB16"});

  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(ErrorOf([&] { transport.Initiate("WNORB16", "frmNone"); }), 282);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(1000));
  EXPECT_EQ(awaited.size(), 1u);
  conversation.reset();
}

}  // namespace
