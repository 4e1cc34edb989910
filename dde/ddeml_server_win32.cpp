#include <windows.h>
// windows.h first: ddeml.h needs its types.
#include <ddeml.h>

#include <map>
#include <string>
#include <utility>

#include "dde/ddeml_server.hpp"
#include "dde/ddeml_strings.hpp"
#include "dde/topic_service.hpp"

namespace dde {

namespace {

HDDEDATA Flag(bool yes) { return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(yes ? TRUE : FALSE)); }

}  // namespace

struct DdemlServer::Impl {
  struct Conv {
    ServerTopic* topic;
    ClientId client;
  };

  std::shared_ptr<ServerApplication> application;
  DWORD instance = 0;
  DWORD thread = 0;
  HSZ service = nullptr;
  int listener = 0;
  std::map<HCONV, Conv> conversations;
  // While a client's own change is advised: the client it is for; empty for everyone.
  const ClientId* advising = nullptr;

  HDDEDATA Callback(UINT type, UINT format, HCONV conversation, HSZ hsz1, HSZ hsz2, HDDEDATA data);
  HDDEDATA Value(HCONV conversation, HSZ item, UINT format, bool advise);
  void Disconnected(HCONV conversation);
  void ItemChanged(const ServerTopic& topic, const std::string& item, const ClientId& client);
};

namespace {

// The server of the calling thread: DDEML's callback has no context of its own.
thread_local DdemlServer::Impl* tls_server = nullptr;

HDDEDATA CALLBACK ServerCallback(UINT type, UINT format, HCONV conversation, HSZ hsz1, HSZ hsz2,
                                 HDDEDATA data, ULONG_PTR, ULONG_PTR) {
  return tls_server ? tls_server->Callback(type, format, conversation, hsz1, hsz2, data) : nullptr;
}

// The client's thread, which holds its DDEML instance and all its conversations.
ClientId ClientOf(HCONV conversation) {
  CONVINFO info{};
  info.cb = sizeof info;
  if (::DdeQueryConvInfo(conversation, QID_SYNC, &info) == 0) return {};
  DWORD process = 0;
  DWORD thread = ::GetWindowThreadProcessId(info.hwndPartner, &process);
  return std::to_string(process) + '.' + std::to_string(thread);
}

}  // namespace

HDDEDATA DdemlServer::Impl::Callback(UINT type, UINT format, HCONV conversation, HSZ hsz1, HSZ hsz2,
                                     HDDEDATA data) {
  switch (type) {
    case XTYP_CONNECT:
      return Flag(SameName(StringOf(instance, hsz2), application->Name()) &&
                  application->FindTopic(StringOf(instance, hsz1)) != nullptr);
    case XTYP_CONNECT_CONFIRM: {
      std::string client = ClientOf(conversation);
      // A conversation whose client cannot be told answers as no client in particular.
      conversations[conversation] = {application->FindTopic(StringOf(instance, hsz1)), client};
      return nullptr;
    }
    case XTYP_EXECUTE: {
      auto conv = conversations.find(conversation);
      if (conv == conversations.end()) return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
      const ExecuteAnswer answer = AnswerExecute(*conv->second.topic, TextOf(data), conv->second.client);
      return reinterpret_cast<HDDEDATA>(answer.kind == ExecuteAnswer::Kind::kTaken ? DDE_FACK
                                                                                   : DDE_FNOTPROCESSED);
    }
    case XTYP_REQUEST:
      return Value(conversation, hsz2, format, false);
    case XTYP_ADVREQ:
      return Value(conversation, hsz2, format, true);
    case XTYP_ADVSTART: {
      auto conv = conversations.find(conversation);
      return Flag(format == CF_TEXT && conv != conversations.end() &&
                  conv->second.topic->FindItem(StringOf(instance, hsz2)) != nullptr);
    }
    case XTYP_DISCONNECT:
      Disconnected(conversation);
      return nullptr;
    default:
      // Pokes among them: the engine's items are its own to change.
      return nullptr;
  }
}

HDDEDATA DdemlServer::Impl::Value(HCONV conversation, HSZ item, UINT format, bool advise) {
  auto conv = conversations.find(conversation);
  if (format != CF_TEXT || conv == conversations.end()) return nullptr;
  // A client's own change is no news to the others.
  if (advise && advising != nullptr && !advising->empty() && *advising != conv->second.client) return nullptr;
  const std::string name = StringOf(instance, item);
  if (conv->second.topic->FindItem(name) == nullptr) return nullptr;
  std::string value = ItemValueFor(*conv->second.topic, name, conv->second.client);
  return ::DdeCreateDataHandle(instance, reinterpret_cast<LPBYTE>(value.data()),
                               static_cast<DWORD>(value.size() + 1), 0, item, CF_TEXT, 0);
}

void DdemlServer::Impl::Disconnected(HCONV conversation) {
  auto conv = conversations.find(conversation);
  if (conv == conversations.end()) return;
  const ClientId client = std::move(conv->second.client);
  conversations.erase(conv);
  if (client.empty()) return;
  for (const auto& [handle, other] : conversations) {
    if (other.client == client) return;
  }
  application->ForgetClient(client);
}

void DdemlServer::Impl::ItemChanged(const ServerTopic& topic, const std::string& item,
                                    const ClientId& client) {
  HSZ topic_name = ::DdeCreateStringHandleA(instance, topic.Name().c_str(), CP_WINANSI);
  HSZ item_name = ::DdeCreateStringHandleA(instance, item.c_str(), CP_WINANSI);
  // DDEML asks for the value of each advise loop on the item at once (XTYP_ADVREQ).
  advising = &client;
  ::DdePostAdvise(instance, topic_name, item_name);
  advising = nullptr;
  ::DdeFreeStringHandle(instance, item_name);
  ::DdeFreeStringHandle(instance, topic_name);
}

DdemlServer::DdemlServer(std::shared_ptr<ServerApplication> application) : impl_(std::make_unique<Impl>()) {
  if (!application) throw std::invalid_argument("no application to publish");
  if (tls_server != nullptr) throw std::runtime_error("this thread serves DDE already");
  impl_->application = std::move(application);
  impl_->thread = ::GetCurrentThreadId();
  tls_server = impl_.get();
  DWORD instance = 0;
  if (::DdeInitializeA(&instance, ServerCallback,
                       APPCLASS_STANDARD | CBF_FAIL_POKES | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS,
                       0) != DMLERR_NO_ERROR) {
    tls_server = nullptr;
    throw std::runtime_error("DDEML cannot start a server");
  }
  impl_->instance = instance;
  impl_->service = ::DdeCreateStringHandleA(instance, impl_->application->Name().c_str(), CP_WINANSI);
  if (impl_->service == nullptr ||
      ::DdeNameService(instance, impl_->service, nullptr, DNS_REGISTER) == nullptr) {
    if (impl_->service != nullptr) ::DdeFreeStringHandle(instance, impl_->service);
    ::DdeUninitialize(instance);
    tls_server = nullptr;
    throw std::runtime_error("DDEML cannot register the service " + impl_->application->Name());
  }
  Impl* impl = impl_.get();
  impl_->listener = impl_->application->AddItemListener(
      [impl](const ServerTopic& topic, const std::string& item, const std::string&, const ClientId& client) {
        impl->ItemChanged(topic, item, client);
      });
}

DdemlServer::~DdemlServer() {
  impl_->application->RemoveItemListener(impl_->listener);
  ::DdeNameService(impl_->instance, impl_->service, nullptr, DNS_UNREGISTER);
  ::DdeFreeStringHandle(impl_->instance, impl_->service);
  // Ends every conversation: the clients' next calls find their partner gone.
  ::DdeUninitialize(impl_->instance);
  tls_server = nullptr;
}

void DdemlServer::Run() {
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

void DdemlServer::Stop() { ::PostThreadMessageA(impl_->thread, WM_QUIT, 0, 0); }

}  // namespace dde
