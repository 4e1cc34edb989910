#include <windows.h>
// windows.h first: dde.h and ddeml.h need its types.
#include <dde.h>
#include <ddeml.h>

#include <string>
#include <utility>
#include <vector>

#include "dde/ddeml_strings.hpp"
#include "dde/ddeml_transport.hpp"
#include "dde/link_carrier.hpp"
#include "dde/link_conversation.hpp"
#include "vbrt/error.hpp"

namespace dde {

namespace {

// The transports of this thread, for the callback, which has no context of its own: a
// conversation's transport is the one that holds it. A thread may have several client instances
// (Wine allows one conversation per service and topic in each).
thread_local std::vector<DdemlTransport*> tls_transports;

// A string handle for the length of one call.
class Hsz {
 public:
  Hsz(DWORD instance, std::string_view text)
      : instance_(instance),
        handle_(::DdeCreateStringHandleA(instance, std::string(text).c_str(), CP_WINANSI)) {}
  ~Hsz() {
    if (handle_ != nullptr) ::DdeFreeStringHandle(instance_, handle_);
  }
  Hsz(const Hsz&) = delete;
  Hsz& operator=(const Hsz&) = delete;
  HSZ get() const { return handle_; }

 private:
  DWORD instance_;
  HSZ handle_;
};

}  // namespace

class DdemlCarrier : public LinkCarrier {
 public:
  DdemlCarrier(DdemlTransport& transport, HCONV conversation)
      : transport_(transport), conversation_(conversation) {
    transport_.carriers_[conversation_] = this;
  }
  ~DdemlCarrier() override {
    transport_.carriers_.erase(conversation_);
    ::DdeDisconnect(conversation_);
  }
  DdemlCarrier(const DdemlCarrier&) = delete;
  DdemlCarrier& operator=(const DdemlCarrier&) = delete;

  void Listen(ItemChangeSink sink) override { sink_ = std::move(sink); }
  // DDE's item names are atoms: at most 255 characters, no NUL.
  bool Carries(std::string_view item) const override {
    return !item.empty() && item.size() <= 255 && item.find('\0') == std::string_view::npos;
  }
  std::optional<CarrierFailure> Execute(const std::string& command) override {
    HDDEDATA answer = Transact(reinterpret_cast<LPBYTE>(const_cast<char*>(command.c_str())),
                               static_cast<DWORD>(command.size() + 1), nullptr, 0, XTYP_EXECUTE);
    if (answer == nullptr) return Failure();
    return std::nullopt;
  }
  CarriedValue Request(std::string_view item) override {
    Hsz name(transport_.instance_, item);
    HDDEDATA data = Transact(nullptr, 0, name.get(), CF_TEXT, XTYP_REQUEST);
    if (data == nullptr) return {Failure(), {}};
    std::string value = TextOf(data);
    ::DdeFreeDataHandle(data);
    DropRequestAck();
    return {std::nullopt, std::move(value)};
  }
  std::optional<CarrierFailure> Advise(std::string_view item) override {
    Hsz name(transport_.instance_, item);
    if (Transact(nullptr, 0, name.get(), CF_TEXT, XTYP_ADVSTART) == nullptr) return Failure();
    return std::nullopt;
  }
  // Dispatches the changes that have come. Not yet assured: that every change a server made
  // before its answer is among them (Wine's DDEML sometimes delivers it later; docs/windows.md).
  void Settle() override { transport_.Pump(); }
  bool PeerAlive() override {
    CONVINFO info{};
    info.cb = sizeof info;
    return ::DdeQueryConvInfo(conversation_, QID_SYNC, &info) != 0 && (info.wStatus & ST_CONNECTED) != 0;
  }

  // An advised item's new value, from the callback.
  void Changed(const std::string& item, const std::string& value) {
    if (sink_) sink_(item, value);
  }

 private:
  HDDEDATA Transact(LPBYTE data, DWORD size, HSZ item, UINT format, UINT type) {
    DropStaleAcks();
    DWORD result = 0;
    return ::DdeClientTransaction(data, size, conversation_, item, format, type,
                                  static_cast<DWORD>(transport_.timeout_.count()), &result);
  }
  // Wine's DDEML server follows a request's data with a positive acknowledgement, which Windows'
  // does not send, and Wine's client takes it for the answer to the conversation's next
  // transaction: a request after an advise failed, an execute returned before the server had run
  // it. Dispatched while no transaction waits, DDEML drops it.
  void DropStaleAcks() {
    CONVINFO info{};
    info.cb = sizeof info;
    if (::DdeQueryConvInfo(conversation_, QID_SYNC, &info) == 0 || info.hwnd == nullptr) return;
    MSG message;
    while (::PeekMessageA(&message, info.hwnd, WM_DDE_ACK, WM_DDE_ACK, PM_REMOVE))
      ::DispatchMessageA(&message);
  }
  // Under Wine the acknowledgement follows a request's data at once, posted by the server right
  // after it; but a server in another process may be preempted between the two, so a look right
  // after the data can miss it, and then the next transaction took it for its answer (an advise
  // failed with 285 now and then against the engine program). So under Wine it is waited for.
  void DropRequestAck() {
    CONVINFO info{};
    info.cb = sizeof info;
    if (!UnderWine() || ::DdeQueryConvInfo(conversation_, QID_SYNC, &info) == 0 || info.hwnd == nullptr)
      return DropStaleAcks();
    const DWORD start = ::GetTickCount();
    MSG message;
    while (!::PeekMessageA(&message, info.hwnd, WM_DDE_ACK, WM_DDE_ACK, PM_REMOVE)) {
      const DWORD waited = ::GetTickCount() - start;
      if (waited >= kRequestAckWait) return;
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, kRequestAckWait - waited, QS_POSTMESSAGE);
    }
    ::DispatchMessageA(&message);
  }
  static bool UnderWine() {
    static const bool wine = ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
  }
  // Far more than the two posts apart take, far less than a transaction's time-out.
  static constexpr DWORD kRequestAckWait = 1000;

  // What DDEML says of the transaction that just failed.
  CarrierFailure Failure() {
    switch (::DdeGetLastError(transport_.instance_)) {
      case DMLERR_ADVACKTIMEOUT:
      case DMLERR_DATAACKTIMEOUT:
      case DMLERR_EXECACKTIMEOUT:
      case DMLERR_POKEACKTIMEOUT:
        return CarrierFailure::kTimedOut;
      case DMLERR_NO_CONV_ESTABLISHED:
        return CarrierFailure::kPeerGone;
      default:
        return PeerAlive() ? CarrierFailure::kRefused : CarrierFailure::kPeerGone;
    }
  }

  DdemlTransport& transport_;
  HCONV conversation_;
  ItemChangeSink sink_;
};

void* DdemlTransport::Callback(unsigned type, unsigned, void* conversation, void*, void* hsz2, void* data,
                               std::uintptr_t, std::uintptr_t) {
  if (type != XTYP_ADVDATA) return nullptr;
  DdemlTransport* self = nullptr;
  std::map<void*, DdemlCarrier*>::iterator carrier;
  for (DdemlTransport* transport : tls_transports) {
    carrier = transport->carriers_.find(conversation);
    if (carrier != transport->carriers_.end()) {
      self = transport;
      break;
    }
  }
  if (self == nullptr) return reinterpret_cast<void*>(DDE_FNOTPROCESSED);
  try {
    carrier->second->Changed(StringOf(self->instance_, static_cast<HSZ>(hsz2)),
                             TextOf(static_cast<HDDEDATA>(data)));
  } catch (...) {
    // Never through DDEML's frames: the caller's Settle or Pump rethrows it.
    if (!self->pending_) self->pending_ = std::current_exception();
  }
  return reinterpret_cast<void*>(DDE_FACK);
}

namespace {

HDDEDATA CALLBACK DdemlCallback(UINT type, UINT format, HCONV conversation, HSZ hsz1, HSZ hsz2, HDDEDATA data,
                                ULONG_PTR data1, ULONG_PTR data2) {
  return static_cast<HDDEDATA>(
      DdemlTransport::Callback(type, format, conversation, hsz1, hsz2, data, data1, data2));
}

}  // namespace

DdemlTransport::DdemlTransport(std::chrono::milliseconds timeout, std::chrono::milliseconds start_wait)
    : timeout_(timeout), start_wait_(start_wait) {
  DWORD instance = 0;
  if (::DdeInitializeA(&instance, DdemlCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
    vb::Raise(vb::err::DdeNoResponse);
  }
  instance_ = instance;
  tls_transports.push_back(this);
}

DdemlTransport::~DdemlTransport() {
  ::DdeUninitialize(instance_);
  std::erase(tls_transports, this);
}

std::unique_ptr<Conversation> DdemlTransport::Initiate(std::string_view application, std::string_view topic) {
  Hsz service(instance_, application), name(instance_, topic);
  HCONV conversation = ::DdeConnect(instance_, service.get(), name.get(), nullptr);
  if (conversation == nullptr && std::chrono::steady_clock::now() < start_deadline_) {
    if (on_await_) on_await_(application);
    while (conversation == nullptr && std::chrono::steady_clock::now() < start_deadline_) {
      // This thread's own windows answer DDE's broadcasts meanwhile; what they bring waits for Pump.
      MSG message;
      while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
      }
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
      conversation = ::DdeConnect(instance_, service.get(), name.get(), nullptr);
    }
  }
  if (conversation == nullptr) vb::Raise(vb::err::DdeNoResponse);
  return std::make_unique<LinkConversation>(std::make_unique<DdemlCarrier>(*this, conversation));
}

// The host calls this for every program it starts, and only then.
void DdemlTransport::ServerLaunched() { start_deadline_ = std::chrono::steady_clock::now() + start_wait_; }

void DdemlTransport::Pump() {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  if (auto pending = std::exchange(pending_, nullptr)) std::rethrow_exception(pending);
}

}  // namespace dde
