// The link's text: D-Bus carries UTF-8, while the add-in and the engine speak the active code
// page (vbrt/code_page.hpp). Each end converts in one place: the client through
// CodePageTransport, the engine where its application takes a command and sets its answer.
// Text one side cannot take is never passed on half-converted, and never dropped: it is replaced
// by an error text that says so, so no item keeps a stale value as if it were the answer.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "dde/transport.hpp"

namespace dde {

// Code-page text as the link carries it. Every code-page byte has a character, so this never fails.
std::string ToLink(std::string_view text);

// Link text in the code page; when it is not UTF-8 or holds a character the code page lacks, the
// error text "ERROR: the <what> cannot be carried: ..." CR LF, in the engine's words for errors.
std::string FromLink(std::string_view text, std::string_view what);
// Whether FromLink can carry `text`.
bool Carried(std::string_view text);

// A client transport in the code page over one that carries UTF-8 (D-Bus): execute strings go
// out converted, item values come back converted, the error text in place of one that cannot.
class CodePageTransport final : public Transport {
 public:
  explicit CodePageTransport(std::unique_ptr<Transport> utf8) : utf8_(std::move(utf8)) {}

  std::unique_ptr<Conversation> Initiate(std::string_view application, std::string_view topic) override;
  void ServerLaunched() override { utf8_->ServerLaunched(); }
  void Pump() override { utf8_->Pump(); }

 private:
  std::unique_ptr<Transport> utf8_;
};

}  // namespace dde
